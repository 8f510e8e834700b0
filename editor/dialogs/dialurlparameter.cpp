#include "dialurlparameter.h"

#include "admtools.h"
#include "urlparser.h"

QString CDialURLParameter::Title() {
    return QStringLiteral("XAL Script Editor");
}

void CDialURLParameter::Open() {
    m_bReady = true;
    Rebuild();
}

void CDialURLParameter::SetSeparator(const QString& separator) {
    m_strSeparator = separator;
    if (m_bReady)
        Rebuild();
}

void CDialURLParameter::Rebuild() {
    m_lstCandidates.clear();
    m_nSelected = -1;
    m_strNewURL.clear();
    m_strValue.clear();
    XalParsedURL parsed;
    parsed.port = 0;
    if (m_strSeparator.isEmpty() || !XalParseURL(m_strSourceURL, parsed))
        return;
    int protocol = kProtocolHttp;
    if (parsed.service == kServiceHttps)
        protocol = kProtocolHttps;
    else if (parsed.service == kServiceFtp)
        protocol = kProtocolFtp;
    // The new URL becomes the row's label, so an explicit port must survive.
    const QString base = CAdmTools::GetProtocolPrefix(
        parsed.server + CAdmTools::GetPortSuffix(parsed.port), protocol);
    (void)CAdmTools::TokenizeURL(m_strParameter, base, parsed.object, m_strSeparator,
                                 m_lstCandidates);
    SelectCandidate(0);
}

void CDialURLParameter::SelectCandidate(int index) {
    if (index < 0 || index >= int(m_lstCandidates.size()))
        return;
    m_nSelected = index;
    m_strNewURL = m_lstCandidates[size_t(index)].m_strReplaced;
    m_strValue = m_lstCandidates[size_t(index)].m_strToken;
}
