#include "recordingsession.h"

#include "admtools.h"
#include "qjtrace.h"

#include <QUrl>

#include <string_view>
#include <utility>

namespace {

bool IsUnset(const QString& value) {
    return value.isEmpty() || value == QLatin1String("0");
}

bool MatchesAny(const QStringList& patterns, const QString& text) {
    for (const QString& pattern : patterns) {
        if (CAdmTools::IsNotMatching(pattern, text) == 0)
            return true;
    }
    return false;
}

} // namespace

CProxyPortLists MakeProxyPortLists(const QString& httpValue, const QString& httpsValue) {
    CProxyPortLists lists;
    lists.strHttp = IsUnset(httpValue) ? QStringLiteral("80") : httpValue;
    if (!IsUnset(httpsValue))
        lists.strHttp += QLatin1Char(',') + httpsValue;
    else
        lists.strHttps = QStringLiteral("443");
    return lists;
}

void CRecordingSession::Start(bool urlFiltering, const QString& rootURL,
                              const QStringList& hiddenURLs, const QStringList& hiddenURLsLocal,
                              const QStringList& hiddenMimeTypes) {
    std::lock_guard guard(m_mutex);
    m_bRecording = true;
    m_bRecordingPaused = false;
    m_bURLFiltering = urlFiltering;
    m_bSkipFirstRecorded = true;
    m_strRootURL = rootURL;
    m_lstHiddenURLs = hiddenURLs;
    m_lstHiddenURLsLocal = hiddenURLsLocal;
    m_lstHiddenMimeTypes = hiddenMimeTypes;
    // The root URL heads the new main script; the recorder's first request for it is skipped.
    m_lstRecorded.push_back({rootURL, QString(), 0, QUrl(rootURL).port(80)});
    QJTrace(2, QString::fromUtf16(kTraceSource),
            QJTraceFormat(QStringLiteral("ROOT URL: '%s'"), {rootURL}));
}

void CRecordingSession::Stop() {
    std::lock_guard guard(m_mutex);
    m_bRecording = false;
    m_bRecordingPaused = false;
}

void CRecordingSession::SetPaused(bool paused) {
    std::lock_guard guard(m_mutex);
    if (m_bRecording)
        m_bRecordingPaused = paused;
}

void CRecordingSession::SetHiddenURLsLocal(const QStringList& patterns) {
    std::lock_guard guard(m_mutex);
    m_lstHiddenURLsLocal = patterns;
}

void CRecordingSession::SetHiddenURLs(const QStringList& patterns) {
    std::lock_guard guard(m_mutex);
    m_lstHiddenURLs = patterns;
}

std::vector<CInsertURLObj> CRecordingSession::TakeQueue() {
    std::lock_guard guard(m_mutex);
    return std::exchange(m_lstRecorded, {});
}

bool CRecordingSession::IsStarted() const {
    std::lock_guard guard(m_mutex);
    return m_bRecording;
}

bool CRecordingSession::IsRunning() const {
    std::lock_guard guard(m_mutex);
    return m_bRecording && !m_bRecordingPaused;
}

bool CRecordingSession::IsURLFiltering() const {
    std::lock_guard guard(m_mutex);
    return m_bURLFiltering;
}

bool CRecordingSession::IsHidden(const QString& hostAndPath, const QString& contentType) const {
    return MatchesAny(m_lstHiddenURLs, hostAndPath) ||
           MatchesAny(m_lstHiddenURLsLocal, hostAndPath) ||
           MatchesAny(m_lstHiddenMimeTypes, contentType);
}

void CRecordingSession::OnRecorded(std::uint32_t nA, std::uint32_t kind, std::uint32_t nB,
                                   const char* host, const char* path, const char* contentType,
                                   std::uint16_t nC, const unsigned char* body,
                                   std::uint32_t bodyLength) {
    constexpr std::uint32_t kEnd = 0xFFFFFFFFu;
    constexpr std::uint32_t kHttps = 0x1000u;
    const QString strHost = CAdmTools::ToUTF8Chars(host ? host : "");
    const QString strPath = CAdmTools::ToUTF8Chars(path ? path : "");
    const QString strType = CAdmTools::ToUTF8Chars(contentType ? contentType : "");
    QJTrace(2, QString::fromUtf16(kTraceSource),
            QJTraceFormat(QStringLiteral("Input from CallBack: %s %s %s %s '%s', '%s' '%s'"),
                          {QString::number(nA), QString::number(static_cast<std::int32_t>(kind)),
                           QString::number(nB), QString::number(nC), strPath, strHost, strType}));
    if (kind == kEnd) {
        {
            std::lock_guard guard(m_mutex);
            m_bRecording = false;
            m_bRecordingPaused = false;
        }
        if (m_onEnded)
            m_onEnded();
        return;
    }
    const std::uint32_t value = kind - 1;
    const bool https = (value & kHttps) != 0;
    const int method = static_cast<int>(value & ~kHttps);

    std::lock_guard guard(m_mutex);
    // Reports after a stop (the recorder still delivering) are not part of the recording.
    if (!m_bRecording || m_bRecordingPaused)
        return;
    if (m_bURLFiltering && IsHidden(strHost + strPath, strType))
        return;
    CInsertURLObj entry;
    entry.strURL =
        (https ? QStringLiteral("https://") : QStringLiteral("http://")) + strHost + strPath;
    entry.nMethod = method;
    if ((method & 1) != 0 && body && bodyLength > 0)
        entry.strPostData = CAdmTools::ToUTF8Chars(
            std::string_view(reinterpret_cast<const char*>(body), bodyLength));
    if (m_bSkipFirstRecorded) {
        m_bSkipFirstRecorded = false;
        if (entry.strURL == m_strRootURL)
            return;
    }
    m_lstRecorded.push_back(std::move(entry));
}
