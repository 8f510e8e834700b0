#include "dbsession.h"

#include "mongodb.h"
#include "xaltools.h"

bool ReadDbSettingsFromTools(CMDBAccess& settings) {
    return ReadConnection(XALIsMDBDataAvailable, settings);
}

CDatabaseSession::CDatabaseSession(DbSettingsSource source) : m_source(std::move(source)) {}

CDatabaseSession::~CDatabaseSession() = default;

bool CDatabaseSession::Open() {
    CMDBAccess settings;
    if (!m_source || !m_source(settings)) {
        m_strLastError = QStringLiteral("no database server configured");
        return false;
    }
    m_access = settings;
    // The configured set is not handed on; the session runs without one.
    m_access.set.clear();
    m_pDatabase = std::make_unique<CMongoDB>(m_access.server, m_access.set);
    return Reopen();
}

bool CDatabaseSession::Reopen() {
    if (!m_pDatabase) {
        m_strLastError = QStringLiteral("no database session");
        return false;
    }
    return ConnectSession(*m_pDatabase, m_access, m_strLastError);
}
