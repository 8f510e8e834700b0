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

CMDBRecord StringArray(const QStringList& strings) {
    CMDBRecord array = CMDBRecord::MakeArray();
    for (const QString& s : strings) {
        array.AppendStr(s);
    }
    return array;
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
    return doc;
}

CMDBRecord BuildTestCopyFields(const CScriptObj& script, const CTestAddData& data) {
    namespace l = escript::logonpath;
    CMDBRecord set;
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
    return set;
}

CMDBRecord BuildUrlParameters(const std::vector<CFindReplaceObj>& entries) {
    CMDBRecord array = CMDBRecord::MakeArray();
    for (const CFindReplaceObj& entry : entries) {
        CMDBRecord element;
        element.SetStr(escript::urlparameter::kFind, entry.m_nNoEqualSign != 0
                                                         ? entry.m_strFind
                                                         : entry.m_strFind + QLatin1Char('='));
        element.SetStr(escript::urlparameter::kVariable, entry.m_strReplace);
        array.AppendRecord(std::move(element));
    }
    return array;
}

CMDBRecord SingleField(const QString& name, CMDBRecord value) {
    CMDBRecord fields;
    fields.SetRecord(name, std::move(value));
    return fields;
}

CMDBRecord UnsetField(const QString& name) {
    CMDBRecord fields;
    fields.SetStr(name, QString());
    return fields;
}

// Sends the updates one by one, each through its own pooled connection; after the first
// failure it sends nothing more.
class UpdateSequence {
public:
    UpdateSequence(CMongoDB& db, const QString& id, ScriptSaveResult& result)
        : m_db(db), m_result(result) {
        m_query.SetStr(escript::kId, id);
    }

    bool Set(CMDBRecord fields) { return Send(escript::kOpSet, std::move(fields)); }
    bool Unset(const QString& name) { return Send(escript::kOpUnset, UnsetField(name)); }
    bool SetOrUnset(const QString& name, const QString& value) {
        if (value.isEmpty()) {
            return Unset(name);
        }
        CMDBRecord fields;
        fields.SetStr(name, value);
        return Set(std::move(fields));
    }

private:
    bool Send(const QString& op, CMDBRecord fields) {
        if (m_result.m_status != ScriptSaveStatus::Saved) {
            return false;
        }
        CMDBRecord update;
        update.SetRecord(op, std::move(fields));
        try {
            std::unique_ptr<CScopedDbConnection> connection = m_db.GetScopedDbConnectionPtr();
            if (!connection) {
                Fail(0, m_db.GetLastError());
                return false;
            }
            connection->update(escript::kNsEScript, m_query, update, false, false);
        } catch (const CDbException& e) {
            Fail(e.code(), e.text());
            return false;
        } catch (const std::exception& e) {
            Fail(0, QString::fromLocal8Bit(e.what()));
            return false;
        }
        ++m_result.m_nUpdatesApplied;
        return true;
    }

    void Fail(int code, const QString& text) {
        m_result.m_status = ScriptSaveStatus::Failed;
        m_result.m_nErrorCode = code;
        m_result.m_strError =
            text.isEmpty() ? QStringLiteral("The database did not accept the update.") : text;
    }

    CMongoDB& m_db;
    ScriptSaveResult& m_result;
    CMDBRecord m_query;
};

// Tells a missing document from a failing session before anything is written.
ScriptSaveResult CheckDocumentExists(CMongoDB& db, const QString& id) {
    ScriptSaveResult result;
    CMDBRecord query;
    query.SetStr(escript::kId, id);
    CMDBRecord found;
    db.SeekFirst(escript::kNsEScript, query, found, QStringList{escript::kId});
    if (found.IsEmpty()) {
        const QString error = db.GetLastError();
        result.m_status =
            error.isEmpty() ? ScriptSaveStatus::DocumentMissing : ScriptSaveStatus::Failed;
        result.m_strError = error.isEmpty() ? XalFormat(61191, id) : error;
    }
    return result;
}

void SendRootUrl(UpdateSequence& updates, const QString& rootUrl) {
    CMDBRecord set;
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
    updates.Set(std::move(set));
}

} // namespace

ScriptSaveResult SaveScript(CMongoDB& db, ScriptSaveAccount account, const CScriptObj& script,
                            bool testMode, const CTestAddData* testData) {
    account.m_strAccountID = account.m_strAccountID.toLower();
    const QString id = account.m_strAccountID;

    ScriptSaveResult result;
    try {
        result = CheckDocumentExists(db, id);
        if (!result.Succeeded()) {
            return result;
        }
        const std::int64_t now = CMongoDB::GetCurrentDateInMilliSecs() / 1000 * 1000;
        UpdateSequence updates(db, id, result);

        CMDBRecord first;
        first.SetRecord(escript::kDomainList, StringArray(script.m_lstDomain));
        first.SetRecord(escript::kDomainListAvailable, StringArray(script.m_lstDomainAvailable));
        first.SetDateInMilliSecs(escript::kLastChanged, now);
        first.SetStr(escript::logonpath::kUser, script.m_strLogonUser);
        first.SetStr(escript::logonpath::kPw, script.m_strLogonPW);
        updates.Set(std::move(first));

        updates.SetOrUnset(escript::logonpath::kUser, script.m_strLogonUser);
        updates.SetOrUnset(escript::logonpath::kPw, script.m_strLogonPW);

        if (testMode && testData != nullptr) {
            updates.Set(BuildTestCopyFields(script, *testData));
        }

        if (script.m_lstURLParameter.empty()) {
            updates.Unset(escript::kUrlParameter);
        } else {
            updates.Set(
                SingleField(escript::kUrlParameter, BuildUrlParameters(script.m_lstURLParameter)));
        }

        CMDBRecord subscripts = CMDBRecord::MakeArray();
        bool anyConditional = false;
        for (const CSubscriptObj& sub : script.m_lstScripts) {
            if (!result.Succeeded()) {
                return result;
            }
            if (sub.m_nKind == 0) {
                updates.Set(SingleField(escript::kUrls, BuildUrlArray(sub, false)));
            } else {
                subscripts.AppendRecord(BuildSubscript(sub));
                anyConditional = true;
            }
        }
        if (anyConditional) {
            updates.Set(SingleField(escript::kSubscripts, std::move(subscripts)));
        } else {
            updates.Unset(escript::kSubscripts);
        }

        if (account.m_bRootChanged) {
            SendRootUrl(updates, account.m_strNewRootURL);
            if (result.Succeeded()) {
                account.m_bRootChanged = false;
            }
        }
    } catch (const std::exception& e) {
        // Building the documents can only fail for want of memory; report it like a failed
        // update rather than ending the editor.
        result.m_status = ScriptSaveStatus::Failed;
        result.m_strError = QString::fromLocal8Bit(e.what());
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
