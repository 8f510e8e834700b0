#include "dbsession.h"

#include "mongodb.h"
#include "xaltools.h"

#include <array>

namespace {
QString Field(const std::array<char16_t, kXalConnectionChars>& block, int offset, int length) {
    const char16_t* start = block.data() + offset;
    int n = 0;
    while (n < length && start[n] != 0)
        ++n;
    return QString::fromUtf16(start, n);
}
} // namespace

bool ReadDbSettingsFromTools(CDbSettings& settings) {
    std::array<char16_t, kXalConnectionChars> block{};
    if (!XALIsMDBDataAvailable(block.data()))
        return false;
    settings.strServer = Field(block, kXalConnServer, kXalConnSet - kXalConnServer);
    settings.strSet = Field(block, kXalConnSet, kXalConnUser - kXalConnSet);
    settings.strUser = Field(block, kXalConnUser, kXalConnPassword - kXalConnUser);
    settings.strPassword = Field(block, kXalConnPassword, kXalConnectionChars - kXalConnPassword);
    block.fill(0); // the password was in clear
    return true;
}

CDatabaseSession::CDatabaseSession(DbSettingsSource source) : m_source(std::move(source)) {}

CDatabaseSession::~CDatabaseSession() = default;

bool CDatabaseSession::Open() {
    CDbSettings settings;
    if (!m_source || !m_source(settings)) {
        m_strLastError = QStringLiteral("no database server configured");
        return false;
    }
    m_strDBServer = settings.strServer;
    m_strDBUser = settings.strUser;
    m_strDBPassword = settings.strPassword;
    // The configured set is not handed on; the session runs without one.
    m_pDatabase = std::make_unique<CMongoDB>(m_strDBServer, m_strDBSet);
    return Reopen();
}

bool CDatabaseSession::Reopen() {
    if (!m_pDatabase) {
        m_strLastError = QStringLiteral("no database session");
        return false;
    }
    m_strLastError.clear();
    if (!m_pDatabase->Connect(m_strLastError))
        return false;
    if (m_strDBUser.isEmpty())
        return true;
    return m_pDatabase->Authenticate(QStringLiteral("admin"), m_strDBUser, m_strDBPassword,
                                     m_strLastError, true);
}
