#pragma once
// The in-memory e-script: one CScriptObj holding its scripts, URLs and parameters.
// Plain value types; every list owns its elements and keeps insertion order, which is
// the order of the stored document's arrays.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

using COLORREF = std::uint32_t; // 0x00BBGGRR

enum InternetProtocol : int { kProtocolHttp = 0, kProtocolHttps = 1, kProtocolFtp = 2 };

class CURLParamObj {
public:
    QString m_strName;
    QString m_strValue;    // as loaded, or as the grid displays it (decoded)
    QString m_strOrgValue; // value before it was replaced by a special variable
    QString m_strRawValue; // value to store (undecoded); written by the save
    int m_nMethod = 0;     // 0 GET query, 1 POST body, 2 query of a POST URL
    int m_nSpecialVariable = 0;
    QByteArray m_baExtraFields; // stored fields the editor does not know (a BSON document)

    [[nodiscard]] bool IsEqual(const CURLParamObj& other) const;
};

class CURLObj {
public:
    QString m_strURL; // address part, normally beginning with "/"
    int m_nMethod = 0;
    int m_nFlags = 0;
    int m_nPort = 0; // 0 = protocol default
    QString m_strServer;
    int m_nInternetProtocol = kProtocolHttp;
    bool m_bSendAsMultipartMime = false;
    QString m_strOrgValue;
    std::vector<CURLParamObj> m_lstParams;
    QByteArray m_baExtraFields; // stored fields the editor does not know (a BSON document)

    // Port, multipart flag, original value and extra fields do not take part.
    [[nodiscard]] bool IsEqual(const CURLObj& other) const;
    // All parameters as name=value joined by "&", no leading "?".
    [[nodiscard]] QString GetParameterText() const;
};

class CSubscriptObj {
public:
    int m_nKind = 0; // 0 main script, 1 conditional script
    QString m_strName;
    std::vector<CURLObj> m_lstURLs;
    QByteArray m_baExtraFields; // stored fields the editor does not know (a BSON document)

    [[nodiscard]] bool IsEqual(const CSubscriptObj& other) const;
    bool operator==(const CSubscriptObj& other) const { return IsEqual(other); }
    void Clear() { m_lstURLs.clear(); }
    // Address of the first URL followed by its parameters as a query.
    [[nodiscard]] QString GetFirstURLWithQuery() const;
};

class CFindReplaceObj {
public:
    QString m_strFind;
    QString m_strReplace;
    int m_nNoEqualSign = 0;     // non-zero: the save writes find without "="
    QByteArray m_baExtraFields; // stored fields the editor does not know (a BSON document)
};

class CScriptObj {
public:
    QString m_strID;
    QStringList m_lstDomainAvailable;
    QStringList m_lstDomain;
    QString m_strRootURL;
    QString m_strServer;
    int m_nInternetProtocol = kProtocolHttp;
    int m_nPort = 0;
    QString m_strLogonUser;
    QString m_strLogonPW;
    QString m_strTitle;
    std::vector<CFindReplaceObj> m_lstURLParameter;
    std::vector<CSubscriptObj> m_lstScripts; // [0] main script, then conditional scripts
    QStringList m_lstVariables;              // duplicate guard while rebuilding from the views
    // Set by the load when the stored document holds what a save could not write back
    // unchanged (a field of another type, an out-of-range port): names the field. Such an
    // e-script is shown read-only and the save refuses it.
    QString m_strNotSavable;

    void Clear();
};

class CURLTokenObj {
public:
    QString m_strToken;
    QString m_strPrefix;
    QString m_strReplaced;
};

class CServerColorObj {
public:
    QString m_strServer;
    COLORREF m_crColor = 0xFFFFFF;
};

class CTestAddData {
public:
    std::int64_t m_llLogonType = -1;
    int m_nLogonOnlyOnce = -1;
    QString m_strSendToDomain;
    QString m_strInsScriptInURL;
    std::int64_t m_llAjaxUserType = -1;
    QString m_strAjaxUserNameID;
    std::int64_t m_llAjaxPwdType = -1;
    QString m_strAjaxPwdNameID;
    std::int64_t m_llAjaxSubmitType = -1;
    QString m_strAjaxSubmitNameID;
    std::int64_t m_llKernel = 3;
    std::int64_t m_llPort = 80;
    QString m_strAlternativeIP;
    QString m_strNotAllowedPage;
    QStringList m_lstLockedAdr;
    QStringList m_lstURLRwMime;
    std::vector<CFindReplaceObj> m_lstURLParameter;
    std::vector<CFindReplaceObj> m_lstURLRwReplace;
    bool m_bAllowInvalidCertificates = false;
};
