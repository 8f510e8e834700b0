#include "dbsession.h"

#include "mongodb.h"
#include "xaltools.h"

#include <array>

bool ReadDbSettingsFromTools(CMDBAccess& settings, QString& problem) {
    if (ReadConnection(XALIsMDBDataAvailable, settings))
        return true;
    std::array<char16_t, 2048> text{};
    XALGetMDBDataProblem(text.data(), static_cast<int>(text.size()));
    problem = QString::fromUtf16(text.data());
    return false;
}

CDatabaseSession::CDatabaseSession(DbSettingsSource source) : m_source(std::move(source)) {}

CDatabaseSession::~CDatabaseSession() = default;

bool CDatabaseSession::Open() {
    CMDBAccess settings;
    QString problem;
    if (!m_source || !m_source(settings, problem)) {
        m_strLastError =
            problem.isEmpty() ? QStringLiteral("no database server configured") : problem;
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
