#pragma once
// Names of the e-script document and of the settings documents the editor uses.
// Field names are case-sensitive and shared with the proxy server and other programs of the
// suite: change none of them. Every load, save and test copy takes its names from here.

#include <QString>

namespace escript {

// Collections.
inline const QString kNsEScript = QStringLiteral("xaldata.escript");
inline const QString kNsSettings = QStringLiteral("xaldata.settings");

// Top level of an e-script document.
inline const QString kId = QStringLiteral("_id");
inline const QString kTitle = QStringLiteral("title");
inline const QString kRootUrl = QStringLiteral("rooturl");
inline const QString kServer = QStringLiteral("server");
inline const QString kInternetProtocol = QStringLiteral("internetprotocol");
inline const QString kPort = QStringLiteral("port");
inline const QString kDomainListAvailable = QStringLiteral("domainlist_available");
inline const QString kDomainList = QStringLiteral("domainlist");
inline const QString kLogon = QStringLiteral("logon");
inline const QString kUrlParameter = QStringLiteral("urlparameter");
inline const QString kUrls = QStringLiteral("urls");
inline const QString kSubscripts = QStringLiteral("subscripts");
inline const QString kLastChanged = QStringLiteral("lastchanged");
inline const QString kKernel = QStringLiteral("kernel");
inline const QString kAllowInvalidCertificates = QStringLiteral("allowinvalidcertificates");
inline const QString kLockedAdr = QStringLiteral("locked_adr");
inline const QString kUrlRwMime = QStringLiteral("urlrw_mime");
inline const QString kUrlRwReplace = QStringLiteral("urlrw_replace");
inline const QString kActive = QStringLiteral("active");
inline const QString kUseLicense = QStringLiteral("uselicense");
inline const QString kUseRecording = QStringLiteral("userecording");
inline const QString kUsePermission = QStringLiteral("usepermission");
inline const QString kAlternativeIp = QStringLiteral("alternativeip"); // top level, test copy
inline const QString kTest = QStringLiteral("test");

// Fields of the "logon" sub-document, as read from it.
namespace logon {
inline const QString kUser = QStringLiteral("user");
inline const QString kPw = QStringLiteral("pw");
inline const QString kType = QStringLiteral("type");
inline const QString kOnlyOnce = QStringLiteral("onlyonce");
inline const QString kSendToDomain = QStringLiteral("send_to_domain");
inline const QString kInsScriptInUrl = QStringLiteral("ins_script_in_url");
inline const QString kAjaxUserType = QStringLiteral("ajax_user_type");
inline const QString kAjaxUserNameId = QStringLiteral("ajax_user_nameid");
inline const QString kAjaxPwdType = QStringLiteral("ajax_pwd_type");
inline const QString kAjaxPwdNameId = QStringLiteral("ajax_pwd_nameid");
inline const QString kAjaxSubmitType = QStringLiteral("ajax_submit_type");
inline const QString kAjaxSubmitNameId = QStringLiteral("ajax_submit_nameid");
inline const QString kAlternativeIp = QStringLiteral("alternativeip");
inline const QString kNotAllowedPage = QStringLiteral("notallowedpage");
} // namespace logon

// The same logon fields as dotted paths: the save writes them one by one so that the logon
// fields it does not own survive.
namespace logonpath {
inline const QString kUser = QStringLiteral("logon.user");
inline const QString kPw = QStringLiteral("logon.pw");
inline const QString kType = QStringLiteral("logon.type");
inline const QString kOnlyOnce = QStringLiteral("logon.onlyonce");
inline const QString kSendToDomain = QStringLiteral("logon.send_to_domain");
inline const QString kInsScriptInUrl = QStringLiteral("logon.ins_script_in_url");
inline const QString kAjaxUserType = QStringLiteral("logon.ajax_user_type");
inline const QString kAjaxUserNameId = QStringLiteral("logon.ajax_user_nameid");
inline const QString kAjaxPwdType = QStringLiteral("logon.ajax_pwd_type");
inline const QString kAjaxPwdNameId = QStringLiteral("logon.ajax_pwd_nameid");
inline const QString kAjaxSubmitType = QStringLiteral("logon.ajax_submit_type");
inline const QString kAjaxSubmitNameId = QStringLiteral("logon.ajax_submit_nameid");
} // namespace logonpath

// A URL document (element of "urls"), in the order the save writes its fields.
namespace url {
inline const QString kPort = QStringLiteral("port");
inline const QString kSendAsMultipartMime = QStringLiteral("sendasmultipartmime");
inline const QString kUrl = QStringLiteral("url");
inline const QString kInternetProtocol = QStringLiteral("internetprotocol");
inline const QString kServer = QStringLiteral("server");
inline const QString kMethod = QStringLiteral("method");
inline const QString kOrgValue = QStringLiteral("orgvalue");
inline const QString kSpecialVariable = QStringLiteral("specialvariable"); // conditional only
inline const QString kParameters = QStringLiteral("parameters");
} // namespace url

// A parameter document (element of "parameters"), in the order the save writes its fields.
namespace param {
inline const QString kValue = QStringLiteral("value");
inline const QString kMethod = QStringLiteral("method");
inline const QString kName = QStringLiteral("name");
inline const QString kSpecialVariable = QStringLiteral("specialvariable");
inline const QString kOrgValue = QStringLiteral("orgvalue");
} // namespace param

// A conditional-script document (element of "subscripts"), in the order written.
namespace subscript {
inline const QString kName = QStringLiteral("name");
inline const QString kUrlPattern = QStringLiteral("urlpattern");
inline const QString kParameterPattern = QStringLiteral("parameterpattern");
inline const QString kUrls = QStringLiteral("urls");
} // namespace subscript

// Elements of "urlparameter" and of "urlrw_replace".
namespace urlparameter {
inline const QString kFind = QStringLiteral("find");
inline const QString kVariable = QStringLiteral("variable");
} // namespace urlparameter
namespace urlrwreplace {
inline const QString kFrom = QStringLiteral("from");
inline const QString kTo = QStringLiteral("to");
} // namespace urlrwreplace

// Update operators.
inline const QString kOpSet = QStringLiteral("$set");
inline const QString kOpUnset = QStringLiteral("$unset");

// Documents of xaldata.settings, by _id, with the fields the editor uses.
namespace settings {
inline const QString kIdSystem = QStringLiteral("system");
inline const QString kProxyPort = QStringLiteral("escriptrecord_proxyport");
inline const QString kProxyPortHttps = QStringLiteral("escriptrecord_proxyport_https");
inline const QString kIdHiddenUrlsLocal = QStringLiteral("hidden_urls_local");
inline const QString kIdHiddenUrls = QStringLiteral("hidden_urls");
inline const QString kHiddenUrls = QStringLiteral("hidden_urls"); // field of both documents
inline const QString kIdHiddenMimeTypes = QStringLiteral("hidden_mimetypes");
inline const QString kHiddenMimeTypes = QStringLiteral("hidden_mimetypes");
inline const QString kIdEnv = QStringLiteral("env");
inline const QString kVariables = QStringLiteral("variables");
inline const QString kVariable = QStringLiteral("variable");
inline const QString kValue = QStringLiteral("value");
} // namespace settings

} // namespace escript
