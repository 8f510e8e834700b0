#include "scriptsave.h"

#include "admtools.h"
#include "bsonwriter.h"
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

void WriteStrings(CMDBBsonWriter& w, const QString& name, const QStringList& strings) {
    w.BeginArray(name);
    for (const QString& s : strings) {
        w.AppendStr({}, s);
    }
    w.End();
}

// Fields of the stored element the editor does not know go back after the ones it writes.
void WriteExtras(CMDBBsonWriter& w, const QByteArray& extras) {
    if (!extras.isEmpty()) {
        w.AppendFieldsOf(reinterpret_cast<const std::uint8_t*>(extras.constData()),
                         static_cast<std::size_t>(extras.size()));
    }
}

// Most texts of a large e-script hold no underscore at all; that is checked far faster than
// a search for the variable's name.
bool HoldsVariable(const QString& text) {
    return text.contains(QLatin1Char('_')) && HoldsInternalVariable(text);
}

// The value to store: the undecoded value of the views, or the loaded value when the tree
// never went through the views (an empty raw value would blank the stored one).
const QString& StoredValue(const CURLParamObj& param) {
    return param.m_strRawValue.isEmpty() ? param.m_strValue : param.m_strRawValue;
}

// The names written for every URL and parameter, converted to UTF-8 once.
struct ElementKeys {
    using Key = CMDBBsonWriter::Key;
    Key element{QStringView()};
    Key paramValue{escript::param::kValue};
    Key paramMethod{escript::param::kMethod};
    Key paramName{escript::param::kName};
    Key paramSpecialVariable{escript::param::kSpecialVariable};
    Key paramOrgValue{escript::param::kOrgValue};
    Key urlPort{escript::url::kPort};
    Key urlSendAsMultipartMime{escript::url::kSendAsMultipartMime};
    Key urlUrl{escript::url::kUrl};
    Key urlInternetProtocol{escript::url::kInternetProtocol};
    Key urlServer{escript::url::kServer};
    Key urlMethod{escript::url::kMethod};
    Key urlOrgValue{escript::url::kOrgValue};
    Key urlSpecialVariable{escript::url::kSpecialVariable};
    Key urlParameters{escript::url::kParameters};
};

const ElementKeys& Keys() {
    static const ElementKeys keys;
    return keys;
}

void WriteParameter(CMDBBsonWriter& w, const CURLParamObj& param, bool conditional) {
    const ElementKeys& k = Keys();
    const QString& value = StoredValue(param);
    const bool keepOrgValue =
        HoldsVariable(param.m_strValue) ||
        (conditional && (param.m_nSpecialVariable & kSpecialVarFlexCondition) != 0);
    w.BeginDocument(k.element);
    w.AppendStr(k.paramValue, value);
    w.AppendInt(k.paramMethod, param.m_nMethod);
    w.AppendStr(k.paramName, param.m_strName);
    w.AppendInt(k.paramSpecialVariable, param.m_nSpecialVariable);
    w.AppendStr(k.paramOrgValue, keepOrgValue ? param.m_strOrgValue : value);
    WriteExtras(w, param.m_baExtraFields);
    w.End();
}

QString UrlOrgValue(const CURLObj& url, bool conditional) {
    if (conditional && (url.m_nFlags & kURLFlagFlexCondition) != 0) {
        return url.m_strOrgValue;
    }
    const QString prefix = CAdmTools::GetProtocolPrefix(url.m_strServer, url.m_nInternetProtocol);
    if (!HoldsVariable(url.m_strURL)) {
        return prefix + url.m_strURL;
    }
    return CAdmTools::HasProtocol(url.m_strOrgValue) ? url.m_strOrgValue
                                                     : prefix + url.m_strOrgValue;
}

void WriteUrl(CMDBBsonWriter& w, const CURLObj& url, bool conditional) {
    const ElementKeys& k = Keys();
    w.BeginDocument(k.element);
    w.AppendInt(k.urlPort, url.m_nPort);
    w.AppendBool(k.urlSendAsMultipartMime, false); // the proxy does not send multipart bodies
    w.AppendStr(k.urlUrl, url.m_strURL);
    w.AppendInt(k.urlInternetProtocol, url.m_nInternetProtocol);
    w.AppendStr(k.urlServer, url.m_strServer);
    w.AppendInt(k.urlMethod, url.m_nMethod);
    w.AppendStr(k.urlOrgValue, UrlOrgValue(url, conditional));
    if (conditional) {
        w.AppendInt(k.urlSpecialVariable, url.m_nFlags);
    }
    if (!url.m_lstParams.empty()) {
        w.BeginArray(k.urlParameters);
        for (const CURLParamObj& param : url.m_lstParams) {
            WriteParameter(w, param, conditional);
        }
        w.End();
    }
    WriteExtras(w, url.m_baExtraFields);
    w.End();
}

void WriteUrlArray(CMDBBsonWriter& w, const QString& name, const CSubscriptObj& script,
                   bool conditional) {
    w.BeginArray(name);
    for (const CURLObj& url : script.m_lstURLs) {
        WriteUrl(w, url, conditional);
    }
    w.End();
}

void WriteSubscript(CMDBBsonWriter& w, const CSubscriptObj& script) {
    namespace s = escript::subscript;
    QString pattern;
    QString parameterPattern;
    if (!script.m_lstURLs.empty()) {
        const CURLObj& first = script.m_lstURLs.front();
        pattern = CAdmTools::GetProtocolPrefix(first.m_strServer, first.m_nInternetProtocol) +
                  first.m_strURL;
        parameterPattern = first.GetParameterText();
    }
    w.BeginDocument({});
    w.AppendStr(s::kName, script.m_strName);
    w.AppendStr(s::kUrlPattern, pattern);
    w.AppendStr(s::kParameterPattern, parameterPattern);
    WriteUrlArray(w, s::kUrls, script, true);
    WriteExtras(w, script.m_baExtraFields);
    w.End();
}

void WriteUrlParameters(CMDBBsonWriter& w, const std::vector<CFindReplaceObj>& entries) {
    w.BeginArray(escript::kUrlParameter);
    for (const CFindReplaceObj& entry : entries) {
        w.BeginDocument({});
        w.AppendStr(escript::urlparameter::kFind, entry.m_nNoEqualSign != 0
                                                      ? entry.m_strFind
                                                      : entry.m_strFind + QLatin1Char('='));
        w.AppendStr(escript::urlparameter::kVariable, entry.m_strReplace);
        WriteExtras(w, entry.m_baExtraFields);
        w.End();
    }
    w.End();
}

// The main script goes to "urls" and the conditional ones to "subscripts"; a second main
// script (there is none in practice) would replace the first.
const CSubscriptObj* MainScript(const CScriptObj& script) {
    const CSubscriptObj* main = nullptr;
    for (const CSubscriptObj& sub : script.m_lstScripts) {
        if (sub.m_nKind == 0) {
            main = &sub;
        }
    }
    return main;
}

bool HasConditional(const CScriptObj& script) {
    for (const CSubscriptObj& sub : script.m_lstScripts) {
        if (sub.m_nKind != 0) {
            return true;
        }
    }
    return false;
}

void WriteScripts(CMDBBsonWriter& w, const CScriptObj& script) {
    if (const CSubscriptObj* main = MainScript(script)) {
        WriteUrlArray(w, escript::kUrls, *main, false);
    }
    if (HasConditional(script)) {
        w.BeginArray(escript::kSubscripts);
        for (const CSubscriptObj& sub : script.m_lstScripts) {
            if (sub.m_nKind != 0) {
                WriteSubscript(w, sub);
            }
        }
        w.End();
    }
}

// A root URL changed during recording. A text the parser cannot split keeps the stored
// server, protocol and port rather than overwriting them with an empty server.
struct RootChange {
    bool changed = false;
    bool parsed = false;
    QString rootUrl;
    QString server;
    int protocol = 0;
    int port = 80;
};

RootChange ParseRootChange(const ScriptSaveAccount& account) {
    RootChange root;
    if (!account.m_bRootChanged) {
        return root;
    }
    root.changed = true;
    root.rootUrl = account.m_strNewRootURL;
    XalParsedURL parsed;
    parsed.port = 80;
    if (XalParseURL(root.rootUrl, parsed)) {
        root.parsed = true;
        root.server = parsed.server;
        root.protocol = CAdmTools::GetProtocolIndex(root.rootUrl);
        root.port = parsed.port;
    }
    return root;
}

// The fields of a test copy. A changed root URL takes the place of the copy's own root URL,
// server, protocol and port.
void WriteTestCopyFields(CMDBBsonWriter& w, const CScriptObj& script, const CTestAddData& data,
                         const RootChange& root) {
    namespace l = escript::logonpath;
    const bool rootFields = root.changed && root.parsed;
    w.AppendInt(escript::kActive, 1);
    if (rootFields) {
        w.AppendInt(escript::kPort, root.port);
    } else {
        w.AppendLL(escript::kPort, data.m_llPort);
    }
    w.AppendInt(escript::kUseLicense, 0);
    w.AppendInt(escript::kUseRecording, 0);
    w.AppendInt(escript::kUsePermission, 0);
    w.AppendBool(escript::kAllowInvalidCertificates, data.m_bAllowInvalidCertificates);
    w.AppendInt(escript::kInternetProtocol,
                rootFields ? root.protocol : script.m_nInternetProtocol);
    w.AppendStr(escript::kServer, rootFields ? root.server : script.m_strServer);
    w.AppendStr(escript::kRootUrl, root.changed ? root.rootUrl : script.m_strRootURL);
    w.AppendLL(escript::kKernel, data.m_llKernel);
    WriteStrings(w, escript::kLockedAdr, data.m_lstLockedAdr);
    WriteStrings(w, escript::kUrlRwMime, data.m_lstURLRwMime);
    w.BeginArray(escript::kUrlRwReplace);
    for (const CFindReplaceObj& pair : data.m_lstURLRwReplace) {
        w.BeginDocument({});
        w.AppendStr(escript::urlrwreplace::kFrom, pair.m_strFind);
        w.AppendStr(escript::urlrwreplace::kTo, pair.m_strReplace);
        w.End();
    }
    w.End();
    w.AppendLL(l::kType, data.m_llLogonType);
    w.AppendStr(escript::kAlternativeIp, data.m_strAlternativeIP);
    w.AppendInt(l::kOnlyOnce, data.m_nLogonOnlyOnce);
    w.AppendStr(l::kSendToDomain, data.m_strSendToDomain);
    w.AppendStr(l::kInsScriptInUrl, data.m_strInsScriptInURL);
    w.AppendLL(l::kAjaxUserType, data.m_llAjaxUserType);
    w.AppendStr(l::kAjaxUserNameId, data.m_strAjaxUserNameID);
    w.AppendLL(l::kAjaxPwdType, data.m_llAjaxPwdType);
    w.AppendLL(l::kAjaxSubmitType, data.m_llAjaxSubmitType);
    w.AppendStr(l::kAjaxPwdNameId, data.m_strAjaxPwdNameID);
    w.AppendStr(l::kAjaxSubmitNameId, data.m_strAjaxSubmitNameID);
}

// The one update of a save: {$set: {...}, $unset: {...}}, fields in the order they are
// listed in scriptsave.h.
std::vector<std::uint8_t> BuildUpdate(const CScriptObj& script, const RootChange& root,
                                      std::int64_t now, const CTestAddData* testData,
                                      std::vector<std::uint8_t> buffer) {
    CMDBBsonWriter w(std::move(buffer));
    QStringList unset;
    w.BeginDocument(escript::kOpSet);
    WriteStrings(w, escript::kDomainList, script.m_lstDomain);
    WriteStrings(w, escript::kDomainListAvailable, script.m_lstDomainAvailable);
    w.AppendDateInMilliSecs(escript::kLastChanged, now);
    for (const auto& [path, value] : {std::pair{&escript::logonpath::kUser, &script.m_strLogonUser},
                                      std::pair{&escript::logonpath::kPw, &script.m_strLogonPW}}) {
        if (value->isEmpty()) {
            unset << *path;
        } else {
            w.AppendStr(*path, *value);
        }
    }
    if (testData != nullptr) {
        WriteTestCopyFields(w, script, *testData, root);
    }
    if (script.m_lstURLParameter.empty()) {
        unset << escript::kUrlParameter;
    } else {
        WriteUrlParameters(w, script.m_lstURLParameter);
    }
    WriteScripts(w, script);
    if (!HasConditional(script)) {
        unset << escript::kSubscripts;
    }
    if (root.changed && testData == nullptr) {
        w.AppendStr(escript::kRootUrl, root.rootUrl);
        if (root.parsed) {
            w.AppendStr(escript::kServer, root.server);
            w.AppendInt(escript::kInternetProtocol, root.protocol);
            w.AppendInt(escript::kPort, root.port);
        }
    }
    w.End();
    if (!unset.isEmpty()) {
        w.BeginDocument(escript::kOpUnset);
        for (const QString& name : unset) {
            w.AppendStr(name, QString());
        }
        w.End();
    }
    return w.Finish();
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
        const RootChange root = ParseRootChange(account);
        // The update of a large e-script is megabytes; its buffer is kept for the next save.
        thread_local std::vector<std::uint8_t> buffer;
        std::vector<std::uint8_t> change =
            BuildUpdate(script, root, now, testMode ? testData : nullptr, std::move(buffer));
        struct KeepBuffer {
            std::vector<std::uint8_t>& from;
            ~KeepBuffer() {
                constexpr std::size_t kKept = std::size_t{32} << 20;
                if (from.capacity() <= kKept)
                    buffer = std::move(from);
            }
        } keep{change};
        // The stores refuse a document over 16 MB; say so with its size before sending it.
        if (change.empty() || change.size() > kMaxStoredDocumentBytes) {
            const double megabytes =
                change.empty() ? 2048.0 : static_cast<double>(change.size()) / (1024.0 * 1024.0);
            Fail(result, kDocumentTooLargeCode,
                 QStringLiteral("The e-script takes %1 MB when stored; a stored document may "
                                "hold at most 16 MB. Nothing was saved.")
                     .arg(megabytes, 0, 'f', 1));
            return result;
        }

        // One update of the one document: the stores apply it whole or not at all, and the
        // matched count tells a removed document from a saved one in the same step.
        CMDBRecord query;
        query.SetStr(escript::kId, id);
        std::int64_t matched = 0;
        if (!db.UpdateBson(escript::kNsEScript, query, change, false, false, &matched)) {
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
    CMDBBsonWriter w;
    w.AppendStr(escript::kId, script.m_strID.toLower());
    w.AppendStr(escript::kTitle, script.m_strTitle);
    w.AppendStr(escript::kRootUrl, rootUrl);
    w.AppendStr(escript::kServer, script.m_strServer);
    w.AppendInt(escript::kInternetProtocol, script.m_nInternetProtocol);
    w.AppendInt(escript::kPort, script.m_nPort);
    WriteStrings(w, escript::kDomainList, script.m_lstDomain);
    WriteStrings(w, escript::kDomainListAvailable, script.m_lstDomainAvailable);
    w.BeginDocument(escript::kLogon);
    if (!script.m_strLogonUser.isEmpty())
        w.AppendStr(escript::logon::kUser, script.m_strLogonUser);
    if (!script.m_strLogonPW.isEmpty())
        w.AppendStr(escript::logon::kPw, script.m_strLogonPW);
    w.End();
    if (!script.m_lstURLParameter.empty())
        WriteUrlParameters(w, script.m_lstURLParameter);
    WriteScripts(w, script);
    const std::vector<std::uint8_t> bytes = w.Finish();
    CMDBRecord doc;
    if (!CMDBRecord::FromBson(bytes.data(), bytes.size(), doc))
        doc.Clear();
    return doc;
}
