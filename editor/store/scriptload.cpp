#include "scriptload.h"

#include "admtools.h"
#include "escriptlayout.h"
#include "mongodb.h"
#include "qjtrace.h"
#include "scriptmodel.h"

namespace {

bool IsDefaultPort(int port) {
    return port == 0 || port == 80 || port == 443;
}

// Calls read(element) for "0", "1", ... until the first element that is missing or no
// document, as the proxy's own reader does.
template <typename Read>
void ForEachElement(const CMDBRecord& parent, const QString& name, Read read) {
    const CMDBRecord* array = parent.GetArrayPtr(name);
    if (array == nullptr || !array->IsArray()) {
        return;
    }
    for (int i = 0;; ++i) {
        const CMDBRecord* element = array->GetArrayPtr(QString::number(i));
        if (element == nullptr || element->IsArray()) {
            return;
        }
        read(*element);
    }
}

void ReadUrlParameters(const CMDBRecord& record, std::vector<CFindReplaceObj>& out) {
    ForEachElement(record, escript::kUrlParameter, [&out](const CMDBRecord& element) {
        CFindReplaceObj entry;
        entry.m_strFind = element.GetStr(escript::urlparameter::kFind, QString());
        entry.m_strReplace = element.GetStr(escript::urlparameter::kVariable, QString());
        // Only a find for a parameter value is stored with "="; one without it is a piece of
        // an address and must be saved back without one.
        if (entry.m_strFind.endsWith(QLatin1Char('='))) {
            entry.m_strFind.chop(1);
        } else {
            entry.m_nNoEqualSign = 1;
        }
        out.push_back(std::move(entry));
    });
}

CURLParamObj ReadParameter(const CMDBRecord& element) {
    CURLParamObj param;
    param.m_strName = element.GetStr(escript::param::kName, QString());
    param.m_strValue = element.GetStr(escript::param::kValue, QString());
    param.m_nMethod = element.GetInt(escript::param::kMethod, 0);
    param.m_nSpecialVariable = element.GetInt(escript::param::kSpecialVariable, 0);
    param.m_strOrgValue = element.GetStr(escript::param::kOrgValue, QString());
    return param;
}

// fallbackPort is the e-script's port for the first URL of the main script, else 0.
CURLObj ReadUrl(const CMDBRecord& element, int fallbackPort) {
    CURLObj url;
    url.m_bSendAsMultipartMime = element.GetBool(escript::url::kSendAsMultipartMime, false);
    url.m_strURL = element.GetStr(escript::url::kUrl, QString());
    url.m_strServer = element.GetStr(escript::url::kServer, QString());
    url.m_nMethod = element.GetInt(escript::url::kMethod, 0);
    url.m_nInternetProtocol = element.GetInt(escript::url::kInternetProtocol, 0);
    url.m_strOrgValue = element.GetStr(escript::url::kOrgValue, QString());

    const int port = element.GetInt(escript::url::kPort, 0);
    if (!IsDefaultPort(port)) {
        url.m_nPort = port;
    } else if (!IsDefaultPort(fallbackPort)) {
        url.m_nPort = fallbackPort;
    }

    if (url.m_strOrgValue.isEmpty()) {
        url.m_strOrgValue =
            CAdmTools::GetProtocolPrefix(url.m_strServer, url.m_nInternetProtocol) + url.m_strURL;
    }

    ForEachElement(element, escript::url::kParameters,
                   [&url](const CMDBRecord& p) { url.m_lstParams.push_back(ReadParameter(p)); });
    return url;
}

void ReadUrls(const CMDBRecord& parent, CSubscriptObj& script, int firstUrlFallbackPort) {
    int index = 0;
    ForEachElement(parent, escript::kUrls, [&](const CMDBRecord& element) {
        script.m_lstURLs.push_back(ReadUrl(element, index == 0 ? firstUrlFallbackPort : 0));
        ++index;
    });
}

void ReadScriptRecord(const CMDBRecord& record, CScriptObj& script,
                      QStringList* rememberedDomains) {
    script.m_strRootURL = record.GetStr(escript::kRootUrl, QString());
    script.m_strTitle = record.GetStr(escript::kTitle, QString());
    script.m_strServer = record.GetStr(escript::kServer, QString());
    script.m_nInternetProtocol = record.GetInt(escript::kInternetProtocol, 0);
    script.m_nPort = record.GetInt(escript::kPort, 0);

    ReadUrlParameters(record, script.m_lstURLParameter);

    QStringList available;
    record.DataToArrayObj(escript::kDomainListAvailable, available);
    script.m_lstDomainAvailable += available;
    if (rememberedDomains != nullptr) {
        *rememberedDomains += available;
    }
    record.DataToArrayObj(escript::kDomainList, script.m_lstDomain);

    if (const CMDBRecord* logon = record.GetRecordPtr(escript::kLogon);
        logon != nullptr && !logon->IsArray()) {
        script.m_strLogonUser = logon->GetStr(escript::logon::kUser, QString());
        script.m_strLogonPW = logon->GetStr(escript::logon::kPw, QString());
    }

    if (const CMDBRecord* urls = record.GetArrayPtr(escript::kUrls);
        urls != nullptr && urls->IsArray()) {
        CSubscriptObj main;
        main.m_nKind = 0;
        ReadUrls(record, main, script.m_nPort);
        script.m_lstScripts.push_back(std::move(main));
    }

    ForEachElement(record, escript::kSubscripts, [&script](const CMDBRecord& element) {
        CSubscriptObj conditional;
        conditional.m_nKind = 1;
        conditional.m_strName = element.GetStr(escript::subscript::kName, QString());
        ReadUrls(element, conditional, 0);
        script.m_lstScripts.push_back(std::move(conditional));
    });
}

void ReadTestAddRecord(const CMDBRecord& record, CTestAddData& data) {
    data.m_llKernel = record.GetLL(escript::kKernel, 0);
    data.m_llPort = record.GetLL(escript::kPort, 0);
    data.m_bAllowInvalidCertificates = record.GetBool(escript::kAllowInvalidCertificates, false);

    if (const CMDBRecord* logon = record.GetRecordPtr(escript::kLogon);
        logon != nullptr && !logon->IsArray()) {
        namespace l = escript::logon;
        data.m_llLogonType = logon->GetLL(l::kType, 0);
        data.m_nLogonOnlyOnce = logon->GetInt(l::kOnlyOnce, 0);
        data.m_strSendToDomain = logon->GetStr(l::kSendToDomain, QString());
        data.m_strInsScriptInURL = logon->GetStr(l::kInsScriptInUrl, QString());
        data.m_llAjaxUserType = logon->GetLL(l::kAjaxUserType, 0);
        data.m_strAjaxUserNameID = logon->GetStr(l::kAjaxUserNameId, QString());
        data.m_llAjaxPwdType = logon->GetLL(l::kAjaxPwdType, 0);
        data.m_strAjaxPwdNameID = logon->GetStr(l::kAjaxPwdNameId, QString());
        data.m_llAjaxSubmitType = logon->GetLL(l::kAjaxSubmitType, 0);
        data.m_strAjaxSubmitNameID = logon->GetStr(l::kAjaxSubmitNameId, QString());
        data.m_strAlternativeIP = logon->GetStr(l::kAlternativeIp, QString());
        data.m_strNotAllowedPage = logon->GetStr(l::kNotAllowedPage, QString());
    }

    record.DataToArrayObj(escript::kLockedAdr, data.m_lstLockedAdr);
    record.DataToArrayObj(escript::kUrlRwMime, data.m_lstURLRwMime);
    ReadUrlParameters(record, data.m_lstURLParameter);

    ForEachElement(record, escript::kUrlRwReplace, [&data](const CMDBRecord& element) {
        CFindReplaceObj pair;
        pair.m_strFind = element.GetStr(escript::urlrwreplace::kFrom, QString());
        pair.m_strReplace = element.GetStr(escript::urlrwreplace::kTo, QString());
        data.m_lstURLRwReplace.push_back(std::move(pair));
    });
}

bool FindById(CMongoDB& db, const QString& id, CMDBRecordList& out) {
    CMDBRecord query;
    query.SetStr(escript::kId, id);
    return db.SeekToList(escript::kNsEScript, query, out, nullptr);
}

} // namespace

bool LoadScript(CMongoDB& db, CScriptObj& script, QStringList* rememberedDomains) {
    CMDBRecordList found;
    FindById(db, script.m_strID, found);
    for (const auto& record : found) {
        ReadScriptRecord(*record, script, rememberedDomains);
    }
    QJTrace(6, QString::fromUtf16(kTraceSource),
            QJTraceFormat(QStringLiteral("Read: User '%s' PWD: '%s'"),
                          {script.m_strLogonUser, QJTraceMaskPassword(script.m_strLogonPW)}));
    return !found.IsEmpty();
}

void LoadTestAddData(CMongoDB& db, CTestAddData& data, const QString& id) {
    CMDBRecordList found;
    FindById(db, id, found);
    for (const auto& record : found) {
        ReadTestAddRecord(*record, data);
    }
}

void ReadScriptDocument(const CMDBRecord& record, CScriptObj& script) {
    script.m_strID = record.GetStr(escript::kId, script.m_strID);
    ReadScriptRecord(record, script, nullptr);
}
