#include "scriptload.h"

#include "admtools.h"
#include "escriptlayout.h"
#include "mongodb.h"
#include "qjtrace.h"
#include "scriptmodel.h"

#include <cstdint>

namespace {

bool IsDefaultPort(int port) {
    return port == 0 || port == 80 || port == 443;
}

QString TypeName(CMDBRecord::Type type) {
    switch (type) {
    case CMDBRecord::Type::String:
        return QStringLiteral("a text");
    case CMDBRecord::Type::Int32:
    case CMDBRecord::Type::Int64:
    case CMDBRecord::Type::Double:
        return QStringLiteral("a number");
    case CMDBRecord::Type::Bool:
        return QStringLiteral("a boolean");
    case CMDBRecord::Type::Date:
        return QStringLiteral("a date");
    case CMDBRecord::Type::Null:
        return QStringLiteral("null");
    case CMDBRecord::Type::Document:
        return QStringLiteral("a document");
    case CMDBRecord::Type::Array:
        return QStringLiteral("an array");
    default:
        return QStringLiteral("a value of another kind");
    }
}

// Where a field lies ("urls[3].parameters[0]"), spelt out only when a problem is noted: a large
// e-script has some hundred thousand places and, as a rule, no problem.
struct Where {
    const Where* parent = nullptr;
    const QString* name = nullptr; // null at the top
    int index = -1;                // element of the array name, or -1

    [[nodiscard]] QString Text() const {
        if (name == nullptr)
            return QString();
        const QString above = parent != nullptr ? parent->Text() : QString();
        QString text = above.isEmpty() ? *name : above + QLatin1Char('.') + *name;
        if (index >= 0)
            text += QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
        return text;
    }
};

// Element i of a stored array when it is a document; null otherwise.
const CMDBRecord* DocumentAt(const CMDBRecord& array, int i) {
    const CMDBRecord* element = array.GetRecordPtr(i);
    return element != nullptr && !element->IsArray() ? element : nullptr;
}

// Reads one stored e-script and notes the first thing a save could not write back unchanged.
// Such an e-script is still read whole (what can be shown is shown) but marked not savable.
class ScriptReader {
public:
    explicit ScriptReader(CScriptObj& script) : m_script(script) {}

    void Read(const CMDBRecord& record, QStringList* rememberedDomains);

private:
    void Problem(const QString& path, const QString& what) {
        if (m_script.m_strNotSavable.isEmpty()) {
            m_script.m_strNotSavable =
                QStringLiteral("The field '%1' of the stored e-script %2. The e-script is shown "
                               "read-only so that nothing of it is lost; it cannot be saved.")
                    .arg(path, what);
        }
    }
    static QString Path(const Where& parent, const QString& name) {
        const QString above = parent.Text();
        return above.isEmpty() ? name : above + QLatin1Char('.') + name;
    }
    static QString Index(const QString& parent, int i) {
        return parent + QLatin1Char('[') + QString::number(i) + QLatin1Char(']');
    }
    bool WrongType(const QString& path, CMDBRecord::Type found, const QString& expected) {
        Problem(path, QStringLiteral("is %1, not %2").arg(TypeName(found), expected));
        return false;
    }

    // The save writes these fields as text, integer or list; another stored type would be lost.
    QString Str(const CMDBRecord& r, const Where& parent, const QString& name);
    int Int(const CMDBRecord& r, const Where& parent, const QString& name);
    int Port(const CMDBRecord& r, const Where& parent, const QString& name);
    // The array field name, or null when there is none or it is no array (noted). Elements that
    // are not documents are noted; the readers skip them (DocumentAt).
    const CMDBRecord* DocumentArray(const CMDBRecord& r, const Where& parent, const QString& name);
    void StringList(const CMDBRecord& r, const QString& name, QStringList& out);
    static QByteArray Extras(const CMDBRecord& element, const QStringList& known);

    CURLParamObj ReadParameter(const CMDBRecord& element, const Where& path);
    CURLObj ReadUrl(const CMDBRecord& element, const Where& path, int fallbackPort,
                    bool conditional);
    void ReadUrls(const CMDBRecord& parent, const Where& path, CSubscriptObj& script,
                  int firstUrlFallbackPort, bool conditional);
    void ReadUrlParameters(const CMDBRecord& record);

    CScriptObj& m_script;
};

QString ScriptReader::Str(const CMDBRecord& r, const Where& parent, const QString& name) {
    const CMDBRecord::Type type = r.GetType(name);
    if (type != CMDBRecord::Type::Missing && type != CMDBRecord::Type::String) {
        WrongType(Path(parent, name), type, QStringLiteral("a text"));
    }
    return r.GetStr(name, QString());
}

int ScriptReader::Int(const CMDBRecord& r, const Where& parent, const QString& name) {
    const CMDBRecord::Type type = r.GetType(name);
    switch (type) {
    case CMDBRecord::Type::Missing:
    case CMDBRecord::Type::Int32:
        break;
    case CMDBRecord::Type::Int64:
    case CMDBRecord::Type::Double: {
        // Written back as a 32-bit integer: only a whole number in that range survives.
        const std::int64_t n = r.GetLL(name, 0);
        if (n < INT32_MIN || n > INT32_MAX) {
            Problem(Path(parent, name), QStringLiteral("is out of the range of a 32-bit integer"));
        }
        break;
    }
    default:
        WrongType(Path(parent, name), type, QStringLiteral("a number"));
        break;
    }
    return r.GetInt(name, 0);
}

int ScriptReader::Port(const CMDBRecord& r, const Where& parent, const QString& name) {
    const int port = Int(r, parent, name);
    const std::int64_t wide = r.GetLL(name, 0);
    if (wide < 0 || wide > 65535) {
        Problem(Path(parent, name),
                QStringLiteral("holds the port %1, which is not between 0 and 65535").arg(wide));
    }
    return port;
}

const CMDBRecord* ScriptReader::DocumentArray(const CMDBRecord& r, const Where& parent,
                                              const QString& name) {
    const CMDBRecord::Type type = r.GetType(name);
    if (type == CMDBRecord::Type::Missing) {
        return nullptr;
    }
    if (type != CMDBRecord::Type::Array) {
        WrongType(Path(parent, name), type, QStringLiteral("an array"));
        return nullptr;
    }
    const CMDBRecord* array = r.GetArrayPtr(name);
    for (int i = 0; i < array->GetCount(); ++i) {
        if (DocumentAt(*array, i) == nullptr) {
            const CMDBRecord::Type element = array->GetType(QString::number(i));
            WrongType(Index(Path(parent, name), i), element, QStringLiteral("a document"));
        }
    }
    return array;
}

void ScriptReader::StringList(const CMDBRecord& r, const QString& name, QStringList& out) {
    const CMDBRecord::Type type = r.GetType(name);
    if (type == CMDBRecord::Type::Missing) {
        return;
    }
    if (type != CMDBRecord::Type::Array) {
        WrongType(name, type, QStringLiteral("an array"));
        return;
    }
    const CMDBRecord* array = r.GetArrayPtr(name);
    for (int i = 0; i < array->GetCount(); ++i) {
        const CMDBRecord::Type element = array->GetType(QString::number(i));
        if (element != CMDBRecord::Type::String) {
            WrongType(Index(name, i), element, QStringLiteral("a text"));
        }
    }
    r.DataToArrayObj(name, out);
}

QByteArray ScriptReader::Extras(const CMDBRecord& element, const QStringList& known) {
    // As many fields as known names found: every field is a known one (a name stored twice
    // would make more fields than names). Settles the common case without naming each field.
    int nKnown = 0;
    for (const QString& name : known) {
        nKnown += element.GetType(name) != CMDBRecord::Type::Missing ? 1 : 0;
    }
    if (nKnown == element.GetCount()) {
        return QByteArray();
    }
    const QStringList names = element.GetFieldNames();
    bool any = false;
    for (const QString& name : names) {
        any = any || !known.contains(name);
    }
    if (!any) {
        return QByteArray();
    }
    CMDBRecord extra = element;
    for (const QString& name : known) {
        extra.RemoveField(name);
    }
    const std::vector<std::uint8_t> bytes = extra.ToBson();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

void ScriptReader::ReadUrlParameters(const CMDBRecord& record) {
    const Where top;
    const CMDBRecord* array = DocumentArray(record, top, escript::kUrlParameter);
    if (array == nullptr) {
        return;
    }
    namespace up = escript::urlparameter;
    for (int i = 0; i < array->GetCount(); ++i) {
        const CMDBRecord* found = DocumentAt(*array, i);
        if (found == nullptr) {
            continue;
        }
        const CMDBRecord& element = *found;
        const Where path{&top, &escript::kUrlParameter, i};
        CFindReplaceObj entry;
        entry.m_strFind = Str(element, path, up::kFind);
        entry.m_strReplace = Str(element, path, up::kVariable);
        entry.m_baExtraFields = Extras(element, {up::kFind, up::kVariable});
        // Only a find for a parameter value is stored with "="; one without it is a piece of
        // an address and must be saved back without one.
        if (entry.m_strFind.endsWith(QLatin1Char('='))) {
            entry.m_strFind.chop(1);
        } else {
            entry.m_nNoEqualSign = 1;
        }
        m_script.m_lstURLParameter.push_back(std::move(entry));
    }
}

CURLParamObj ScriptReader::ReadParameter(const CMDBRecord& element, const Where& path) {
    namespace p = escript::param;
    CURLParamObj param;
    param.m_strName = Str(element, path, p::kName);
    param.m_strValue = Str(element, path, p::kValue);
    param.m_nMethod = Int(element, path, p::kMethod);
    param.m_nSpecialVariable = Int(element, path, p::kSpecialVariable);
    param.m_strOrgValue = Str(element, path, p::kOrgValue);
    param.m_baExtraFields =
        Extras(element, {p::kValue, p::kMethod, p::kName, p::kSpecialVariable, p::kOrgValue});
    return param;
}

// fallbackPort is the e-script's port for the first URL of the main script, else 0.
CURLObj ScriptReader::ReadUrl(const CMDBRecord& element, const Where& path, int fallbackPort,
                              bool conditional) {
    namespace u = escript::url;
    CURLObj url;
    url.m_bSendAsMultipartMime = element.GetBool(u::kSendAsMultipartMime, false);
    if (const CMDBRecord::Type type = element.GetType(u::kSendAsMultipartMime);
        type != CMDBRecord::Type::Missing && type != CMDBRecord::Type::Bool) {
        WrongType(Path(path, u::kSendAsMultipartMime), type, QStringLiteral("true or false"));
    }
    url.m_strURL = Str(element, path, u::kUrl);
    url.m_strServer = Str(element, path, u::kServer);
    url.m_nMethod = Int(element, path, u::kMethod);
    url.m_nInternetProtocol = Int(element, path, u::kInternetProtocol);
    url.m_strOrgValue = Str(element, path, u::kOrgValue);

    const int port = Port(element, path, u::kPort);
    if (!IsDefaultPort(port)) {
        url.m_nPort = port;
    } else if (!IsDefaultPort(fallbackPort)) {
        url.m_nPort = fallbackPort;
    }

    if (url.m_strOrgValue.isEmpty()) {
        url.m_strOrgValue =
            CAdmTools::GetProtocolPrefix(url.m_strServer, url.m_nInternetProtocol) + url.m_strURL;
    }

    if (const CMDBRecord* params = DocumentArray(element, path, u::kParameters)) {
        url.m_lstParams.reserve(static_cast<std::size_t>(params->GetCount()));
        for (int i = 0; i < params->GetCount(); ++i) {
            if (const CMDBRecord* p = DocumentAt(*params, i)) {
                url.m_lstParams.push_back(ReadParameter(*p, Where{&path, &u::kParameters, i}));
            }
        }
    }
    // The save writes the flags of a conditional script's URL only; elsewhere they are kept
    // as stored.
    static const QStringList known{u::kPort,     u::kSendAsMultipartMime,
                                   u::kUrl,      u::kInternetProtocol,
                                   u::kServer,   u::kMethod,
                                   u::kOrgValue, u::kParameters};
    static const QStringList knownConditional = known + QStringList{u::kSpecialVariable};
    if (conditional) {
        Int(element, path, u::kSpecialVariable);
    }
    url.m_baExtraFields = Extras(element, conditional ? knownConditional : known);
    return url;
}

void ScriptReader::ReadUrls(const CMDBRecord& parent, const Where& path, CSubscriptObj& script,
                            int firstUrlFallbackPort, bool conditional) {
    const CMDBRecord* urls = DocumentArray(parent, path, escript::kUrls);
    if (urls == nullptr) {
        return;
    }
    script.m_lstURLs.reserve(script.m_lstURLs.size() + static_cast<std::size_t>(urls->GetCount()));
    for (int i = 0; i < urls->GetCount(); ++i) {
        if (const CMDBRecord* url = DocumentAt(*urls, i)) {
            script.m_lstURLs.push_back(ReadUrl(*url, Where{&path, &escript::kUrls, i},
                                               i == 0 ? firstUrlFallbackPort : 0, conditional));
        }
    }
}

void ScriptReader::Read(const CMDBRecord& record, QStringList* rememberedDomains) {
    if (!record.HasValidUtf8()) {
        Problem(escript::kId, QStringLiteral("names a document holding text that is not valid "
                                             "UTF-8"));
    }
    const Where top;
    // A changed root URL is written with its server and protocol; the title is not written.
    m_script.m_strRootURL = Str(record, top, escript::kRootUrl);
    m_script.m_strTitle = record.GetStr(escript::kTitle, QString());
    m_script.m_strServer = Str(record, top, escript::kServer);
    m_script.m_nInternetProtocol = Int(record, top, escript::kInternetProtocol);
    m_script.m_nPort = Port(record, top, escript::kPort);

    ReadUrlParameters(record);

    QStringList available;
    StringList(record, escript::kDomainListAvailable, available);
    m_script.m_lstDomainAvailable += available;
    if (rememberedDomains != nullptr) {
        *rememberedDomains += available;
    }
    StringList(record, escript::kDomainList, m_script.m_lstDomain);

    const CMDBRecord::Type logonType = record.GetType(escript::kLogon);
    if (logonType == CMDBRecord::Type::Document) {
        const CMDBRecord* logon = record.GetRecordPtr(escript::kLogon);
        const Where path{&top, &escript::kLogon};
        m_script.m_strLogonUser = Str(*logon, path, escript::logon::kUser);
        m_script.m_strLogonPW = Str(*logon, path, escript::logon::kPw);
    } else if (logonType != CMDBRecord::Type::Missing) {
        WrongType(escript::kLogon, logonType, QStringLiteral("a document"));
    }

    if (record.GetType(escript::kUrls) != CMDBRecord::Type::Missing) {
        CSubscriptObj main;
        main.m_nKind = 0;
        ReadUrls(record, top, main, m_script.m_nPort, false);
        m_script.m_lstScripts.push_back(std::move(main));
    }

    if (const CMDBRecord* subs = DocumentArray(record, top, escript::kSubscripts)) {
        namespace s = escript::subscript;
        for (int i = 0; i < subs->GetCount(); ++i) {
            const CMDBRecord* found = DocumentAt(*subs, i);
            if (found == nullptr) {
                continue;
            }
            const CMDBRecord& element = *found;
            const Where path{&top, &escript::kSubscripts, i};
            CSubscriptObj conditional;
            conditional.m_nKind = 1;
            conditional.m_strName = Str(element, path, s::kName);
            ReadUrls(element, path, conditional, 0, true);
            conditional.m_baExtraFields =
                Extras(element, {s::kName, s::kUrlPattern, s::kParameterPattern, s::kUrls});
            m_script.m_lstScripts.push_back(std::move(conditional));
        }
    }
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
        if (entry.m_strFind.endsWith(QLatin1Char('='))) {
            entry.m_strFind.chop(1);
        } else {
            entry.m_nNoEqualSign = 1;
        }
        out.push_back(std::move(entry));
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
        ScriptReader(script).Read(*record, rememberedDomains);
    }
    QJTrace(6, QString::fromUtf16(kTraceSource), QStringLiteral("Read: User '%s' PWD: '%s'"),
            {script.m_strLogonUser, QJTraceMaskPassword(script.m_strLogonPW)});
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
    ScriptReader(script).Read(record, nullptr);
}
