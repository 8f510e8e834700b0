#include "scriptsave.h"

#include "admtools.h"
#include "escriptlayout.h"
#include "mongodb.h"
#include "scriptmodel.h"
#include "specialvars.h"
#include "urlparser.h"
#include "xalstrings.h"

#include <exception>

namespace {

// What MongoDB and the embedded store accept as one document, and MongoDB's code for refusing.
constexpr std::size_t kMaxStoredDocumentBytes = 16 * 1024 * 1024;
constexpr int kDocumentTooLargeCode = 10334;

CMDBRecord StringArray(const QStringList& strings) {
    CMDBRecord array = CMDBRecord::MakeArray();
    for (const QString& s : strings) {
        array.AppendStr(s);
    }
    return array;
}

// Fields of the stored element the editor does not know go back after the ones it writes.
void AppendExtras(CMDBRecord& doc, const QByteArray& extras) {
    if (extras.isEmpty()) {
        return;
    }
    CMDBRecord extra;
    if (CMDBRecord::FromBson(reinterpret_cast<const std::uint8_t*>(extras.constData()),
                             static_cast<std::size_t>(extras.size()), extra)) {
        doc.AppendFields(extra);
    }
}

// The value to store: the undecoded value of the views, or the loaded value when the tree
// never went through the views (an empty raw value would blank the stored one).
const QString& StoredValue(const CURLParamObj& param) {
    return param.m_strRawValue.isEmpty() ? param.m_strValue : param.m_strRawValue;
}

CMDBRecord BuildParameter(const CURLParamObj& param, bool conditional) {
    namespace p = escript::param;
    const QString& value = StoredValue(param);
    const bool keepOrgValue =
        HoldsInternalVariable(param.m_strValue) ||
        (conditional && (param.m_nSpecialVariable & kSpecialVarFlexCondition) != 0);
    CMDBRecord doc;
    doc.SetStr(p::kValue, value);
    doc.SetInt(p::kMethod, param.m_nMethod);
    doc.SetStr(p::kName, param.m_strName);
    doc.SetInt(p::kSpecialVariable, param.m_nSpecialVariable);
    doc.SetStr(p::kOrgValue, keepOrgValue ? param.m_strOrgValue : value);
    AppendExtras(doc, param.m_baExtraFields);
    return doc;
}

QString UrlOrgValue(const CURLObj& url, bool conditional) {
    if (conditional && (url.m_nFlags & kURLFlagFlexCondition) != 0) {
        return url.m_strOrgValue;
    }
    const QString prefix = CAdmTools::GetProtocolPrefix(url.m_strServer, url.m_nInternetProtocol);
    if (!HoldsInternalVariable(url.m_strURL)) {
        return prefix + url.m_strURL;
    }
    return CAdmTools::HasProtocol(url.m_strOrgValue) ? url.m_strOrgValue
                                                     : prefix + url.m_strOrgValue;
}

CMDBRecord BuildUrl(const CURLObj& url, bool conditional) {
    namespace u = escript::url;
    CMDBRecord doc;
    doc.SetInt(u::kPort, url.m_nPort);
    doc.SetBool(u::kSendAsMultipartMime, false); // the proxy does not send multipart bodies
    doc.SetStr(u::kUrl, url.m_strURL);
    doc.SetInt(u::kInternetProtocol, url.m_nInternetProtocol);
    doc.SetStr(u::kServer, url.m_strServer);
    doc.SetInt(u::kMethod, url.m_nMethod);
    doc.SetStr(u::kOrgValue, UrlOrgValue(url, conditional));
    if (conditional) {
        doc.SetInt(u::kSpecialVariable, url.m_nFlags);
    }
    if (!url.m_lstParams.empty()) {
        CMDBRecord params = CMDBRecord::MakeArray();
        for (const CURLParamObj& param : url.m_lstParams) {
            params.AppendRecord(BuildParameter(param, conditional));
        }
        doc.SetRecord(u::kParameters, std::move(params));
    }
    AppendExtras(doc, url.m_baExtraFields);
    return doc;
}

CMDBRecord BuildUrlArray(const CSubscriptObj& script, bool conditional) {
    CMDBRecord array = CMDBRecord::MakeArray();
    for (const CURLObj& url : script.m_lstURLs) {
        array.AppendRecord(BuildUrl(url, conditional));
    }
    return array;
}

CMDBRecord BuildSubscript(const CSubscriptObj& script) {
    namespace s = escript::subscript;
    QString pattern;
    QString parameterPattern;
    if (!script.m_lstURLs.empty()) {
        const CURLObj& first = script.m_lstURLs.front();
        pattern = CAdmTools::GetProtocolPrefix(first.m_strServer, first.m_nInternetProtocol) +
                  first.m_strURL;
        parameterPattern = first.GetParameterText();
    }
    CMDBRecord doc;
    doc.SetStr(s::kName, script.m_strName);
    doc.SetStr(s::kUrlPattern, pattern);
    doc.SetStr(s::kParameterPattern, parameterPattern);
    doc.SetRecord(s::kUrls, BuildUrlArray(script, true));
    AppendExtras(doc, script.m_baExtraFields);
    return doc;
}

void AddTestCopyFields(CMDBRecord& set, const CScriptObj& script, const CTestAddData& data) {
    namespace l = escript::logonpath;
    set.SetInt(escript::kActive, 1);
    set.SetLL(escript::kPort, data.m_llPort);
    set.SetInt(escript::kUseLicense, 0);
    set.SetInt(escript::kUseRecording, 0);
    set.SetInt(escript::kUsePermission, 0);
    set.SetBool(escript::kAllowInvalidCertificates, data.m_bAllowInvalidCertificates);
    set.SetInt(escript::kInternetProtocol, script.m_nInternetProtocol);
    set.SetStr(escript::kServer, script.m_strServer);
    set.SetStr(escript::kRootUrl, script.m_strRootURL);
    set.SetLL(escript::kKernel, data.m_llKernel);
    set.SetRecord(escript::kLockedAdr, StringArray(data.m_lstLockedAdr));
    set.SetRecord(escript::kUrlRwMime, StringArray(data.m_lstURLRwMime));
    CMDBRecord replace = CMDBRecord::MakeArray();
    for (const CFindReplaceObj& pair : data.m_lstURLRwReplace) {
        CMDBRecord element;
        element.SetStr(escript::urlrwreplace::kFrom, pair.m_strFind);
        element.SetStr(escript::urlrwreplace::kTo, pair.m_strReplace);
        replace.AppendRecord(std::move(element));
    }
    set.SetRecord(escript::kUrlRwReplace, std::move(replace));
    set.SetLL(l::kType, data.m_llLogonType);
    set.SetStr(escript::kAlternativeIp, data.m_strAlternativeIP);
    set.SetInt(l::kOnlyOnce, data.m_nLogonOnlyOnce);
    set.SetStr(l::kSendToDomain, data.m_strSendToDomain);
    set.SetStr(l::kInsScriptInUrl, data.m_strInsScriptInURL);
    set.SetLL(l::kAjaxUserType, data.m_llAjaxUserType);
    set.SetStr(l::kAjaxUserNameId, data.m_strAjaxUserNameID);
    set.SetLL(l::kAjaxPwdType, data.m_llAjaxPwdType);
    set.SetLL(l::kAjaxSubmitType, data.m_llAjaxSubmitType);
    set.SetStr(l::kAjaxPwdNameId, data.m_strAjaxPwdNameID);
    set.SetStr(l::kAjaxSubmitNameId, data.m_strAjaxSubmitNameID);
}

CMDBRecord BuildUrlParameters(const std::vector<CFindReplaceObj>& entries) {
    CMDBRecord array = CMDBRecord::MakeArray();
    for (const CFindReplaceObj& entry : entries) {
        CMDBRecord element;
        element.SetStr(escript::urlparameter::kFind, entry.m_nNoEqualSign != 0
                                                         ? entry.m_strFind
                                                         : entry.m_strFind + QLatin1Char('='));
        element.SetStr(escript::urlparameter::kVariable, entry.m_strReplace);
        AppendExtras(element, entry.m_baExtraFields);
        array.AppendRecord(std::move(element));
    }
    return array;
}

// The fields of the one update a save sends: $set and $unset, each in the order the fields
// are written. A field set twice keeps its place and takes the later value.
class SaveUpdate {
public:
    CMDBRecord& Set() { return m_set; }
    void Unset(const QString& name) { m_unset.SetStr(name, QString()); }
    void SetOrUnset(const QString& name, const QString& value) {
        if (value.isEmpty()) {
            m_set.RemoveField(name);
            Unset(name);
        } else {
            m_set.SetStr(name, value);
        }
    }
    void SetRecord(const QString& name, CMDBRecord value) {
        m_unset.RemoveField(name);
        m_set.SetRecord(name, std::move(value));
    }
    [[nodiscard]] CMDBRecord Take() {
        CMDBRecord update;
        if (!m_set.IsEmpty()) {
            update.SetRecord(escript::kOpSet, std::move(m_set));
        }
        if (!m_unset.IsEmpty()) {
            update.SetRecord(escript::kOpUnset, std::move(m_unset));
        }
        return update;
    }

private:
    CMDBRecord m_set;
    CMDBRecord m_unset;
};

void AddRootUrl(SaveUpdate& update, const QString& rootUrl) {
    CMDBRecord& set = update.Set();
    set.SetStr(escript::kRootUrl, rootUrl);
    // A text the parser cannot split keeps the stored server, protocol and port rather than
    // overwriting them with an empty server.
    XalParsedURL parsed;
    parsed.port = 80;
    if (XalParseURL(rootUrl, parsed)) {
        set.SetStr(escript::kServer, parsed.server);
        set.SetInt(escript::kInternetProtocol, CAdmTools::GetProtocolIndex(rootUrl));
        set.SetInt(escript::kPort, parsed.port);
    }
}

void Fail(ScriptSaveResult& result, int code, const QString& text) {
    result.m_status = ScriptSaveStatus::Failed;
    result.m_nErrorCode = code;
    result.m_strError =
        text.isEmpty() ? QStringLiteral("The database did not accept the update.") : text;
}

} // namespace

ScriptSaveResult SaveScript(CMongoDB& db, ScriptSaveAccount account, const CScriptObj& script,
                            bool testMode, const CTestAddData* testData) {
    account.m_strAccountID = account.m_strAccountID.toLower();
    const QString id = account.m_strAccountID;

    ScriptSaveResult result;
    if (!script.m_strNotSavable.isEmpty()) {
        Fail(result, 0, script.m_strNotSavable);
        return result;
    }
    try {
        const std::int64_t now = CMongoDB::GetCurrentDateInMilliSecs() / 1000 * 1000;
        SaveUpdate update;
        CMDBRecord& set = update.Set();
        set.SetRecord(escript::kDomainList, StringArray(script.m_lstDomain));
        set.SetRecord(escript::kDomainListAvailable, StringArray(script.m_lstDomainAvailable));
        set.SetDateInMilliSecs(escript::kLastChanged, now);
        update.SetOrUnset(escript::logonpath::kUser, script.m_strLogonUser);
        update.SetOrUnset(escript::logonpath::kPw, script.m_strLogonPW);

        if (testMode && testData != nullptr) {
            AddTestCopyFields(set, script, *testData);
        }

        if (script.m_lstURLParameter.empty()) {
            update.Unset(escript::kUrlParameter);
        } else {
            update.SetRecord(escript::kUrlParameter, BuildUrlParameters(script.m_lstURLParameter));
        }

        CMDBRecord subscripts = CMDBRecord::MakeArray();
        bool anyConditional = false;
        for (const CSubscriptObj& sub : script.m_lstScripts) {
            if (sub.m_nKind == 0) {
                update.SetRecord(escript::kUrls, BuildUrlArray(sub, false));
            } else {
                subscripts.AppendRecord(BuildSubscript(sub));
                anyConditional = true;
            }
        }
        if (anyConditional) {
            update.SetRecord(escript::kSubscripts, std::move(subscripts));
        } else {
            update.Unset(escript::kSubscripts);
        }
        if (account.m_bRootChanged) {
            AddRootUrl(update, account.m_strNewRootURL);
        }

        const CMDBRecord change = update.Take();
        // The stores refuse a document over 16 MB; say so with its size before sending it.
        const std::size_t size = change.ToBson().size();
        if (size > kMaxStoredDocumentBytes) {
            Fail(result, kDocumentTooLargeCode,
                 QStringLiteral("The e-script takes %1 MB when stored; a stored document may "
                                "hold at most 16 MB. Nothing was saved.")
                     .arg(static_cast<double>(size) / (1024.0 * 1024.0), 0, 'f', 1));
            return result;
        }

        // One update of the one document: the stores apply it whole or not at all, and the
        // matched count tells a removed document from a saved one in the same step.
        CMDBRecord query;
        query.SetStr(escript::kId, id);
        std::int64_t matched = 0;
        if (!db.Update(escript::kNsEScript, query, change, false, false, &matched)) {
            Fail(result, 0, db.GetLastError());
            return result;
        }
        if (matched == 0) {
            result.m_status = ScriptSaveStatus::DocumentMissing;
            result.m_strError = XalFormat(61191, id);
            return result;
        }
        result.m_nUpdatesApplied = 1;
        account.m_bRootChanged = false;
    } catch (const std::exception& e) {
        // Building the documents can only fail for want of memory; report it like a failed
        // update rather than ending the editor.
        Fail(result, 0, QString::fromLocal8Bit(e.what()));
    }
    return result;
}

CMDBRecord BuildScriptDocument(const CScriptObj& script, const QString& rootUrl) {
    CMDBRecord doc;
    doc.SetStr(escript::kId, script.m_strID.toLower());
    doc.SetStr(escript::kTitle, script.m_strTitle);
    doc.SetStr(escript::kRootUrl, rootUrl);
    doc.SetStr(escript::kServer, script.m_strServer);
    doc.SetInt(escript::kInternetProtocol, script.m_nInternetProtocol);
    doc.SetInt(escript::kPort, script.m_nPort);
    doc.SetRecord(escript::kDomainList, StringArray(script.m_lstDomain));
    doc.SetRecord(escript::kDomainListAvailable, StringArray(script.m_lstDomainAvailable));
    CMDBRecord logon;
    if (!script.m_strLogonUser.isEmpty())
        logon.SetStr(escript::logon::kUser, script.m_strLogonUser);
    if (!script.m_strLogonPW.isEmpty())
        logon.SetStr(escript::logon::kPw, script.m_strLogonPW);
    doc.SetRecord(escript::kLogon, std::move(logon));
    if (!script.m_lstURLParameter.empty())
        doc.SetRecord(escript::kUrlParameter, BuildUrlParameters(script.m_lstURLParameter));
    CMDBRecord subscripts = CMDBRecord::MakeArray();
    bool anyConditional = false;
    for (const CSubscriptObj& sub : script.m_lstScripts) {
        if (sub.m_nKind == 0) {
            doc.SetRecord(escript::kUrls, BuildUrlArray(sub, false));
        } else {
            subscripts.AppendRecord(BuildSubscript(sub));
            anyConditional = true;
        }
    }
    if (anyConditional)
        doc.SetRecord(escript::kSubscripts, std::move(subscripts));
    return doc;
}
