#include "scriptmodel.h"

bool CURLParamObj::IsEqual(const CURLParamObj& o) const {
    return m_strName == o.m_strName && m_strValue == o.m_strValue &&
           m_strOrgValue == o.m_strOrgValue && m_nMethod == o.m_nMethod &&
           m_nSpecialVariable == o.m_nSpecialVariable;
}

bool CURLObj::IsEqual(const CURLObj& o) const {
    if (m_strURL != o.m_strURL || m_nMethod != o.m_nMethod || m_nFlags != o.m_nFlags ||
        m_strServer != o.m_strServer || m_nInternetProtocol != o.m_nInternetProtocol ||
        m_lstParams.size() != o.m_lstParams.size())
        return false;
    for (size_t i = 0; i < m_lstParams.size(); ++i)
        if (!m_lstParams[i].IsEqual(o.m_lstParams[i]))
            return false;
    return true;
}

QString CURLObj::GetParameterText() const {
    QString text;
    for (const auto& p : m_lstParams) {
        if (&p != &m_lstParams.front())
            text += u'&';
        text += p.m_strName + u'=' + p.m_strValue;
    }
    return text;
}

bool CSubscriptObj::IsEqual(const CSubscriptObj& o) const {
    if (m_strName != o.m_strName || m_lstURLs.size() != o.m_lstURLs.size())
        return false;
    for (size_t i = 0; i < m_lstURLs.size(); ++i)
        if (!m_lstURLs[i].IsEqual(o.m_lstURLs[i]))
            return false;
    return true;
}

QString CSubscriptObj::GetFirstURLWithQuery() const {
    if (m_lstURLs.empty())
        return {};
    const CURLObj& first = m_lstURLs.front();
    QString text = first.m_strURL;
    bool firstParam = true;
    for (const auto& p : first.m_lstParams) {
        text += firstParam ? u'?' : u'&';
        firstParam = false;
        text += p.m_strName + u'=' + p.m_strValue;
    }
    return text;
}

void CScriptObj::Clear() {
    *this = CScriptObj();
}
