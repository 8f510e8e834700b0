#include "escriptpropsdata.h"

#include "domainname.h"
#include "mongodb.h"
#include "xalstrings.h"

namespace {
// String table numbers.
constexpr int kStrNotFound = 61191;
constexpr int kStrDatabaseDown = 148;
constexpr int kStrNoDomain = 62530;
constexpr int kStrUserBlank = 62531;

QString Collection() {
    return QString::fromUtf16(kEScriptCollection);
}

CMDBRecord IdQuery(const QString& id) {
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), id);
    return query;
}

QString NotFoundText(const QString& id) {
    return XalFormat(kStrNotFound, id);
}

QString DatabaseText(const QString& detail) {
    return XalString(kStrDatabaseDown) +
           (detail.isEmpty() ? QString() : QStringLiteral("\n") + detail);
}
} // namespace

bool CEScriptPropsData::Load(CMongoDB& db, const QString& id, QString& error) {
    CMDBRecord doc;
    if (!db.SeekReference(Collection(), id, doc)) {
        const QString detail = db.GetLastError();
        error = detail.isEmpty() ? NotFoundText(id) : DatabaseText(detail);
        return false;
    }
    m_strID = id;
    m_strTitle = doc.GetStr(QStringLiteral("title"));
    m_lstDomain.clear();
    m_lstDomainAvailable.clear();
    doc.DataToArrayObj(QStringLiteral("domainlist"), m_lstDomain);
    doc.DataToArrayObj(QStringLiteral("domainlist_available"), m_lstDomainAvailable);
    m_strLogonUser.clear();
    m_strLogonPW.clear();
    if (const CMDBRecord* logon = doc.GetRecordPtr(QStringLiteral("logon"))) {
        m_strLogonUser = logon->GetStr(QStringLiteral("user"));
        m_strLogonPW = logon->GetStr(QStringLiteral("pw"));
    }
    return true;
}

QStringList CEScriptPropsData::NormaliseDomains(const QStringList& lines) {
    QStringList out;
    for (const QString& line : lines) {
        const QString domain = line.trimmed().toLower();
        if (!domain.isEmpty() && !out.contains(domain))
            out.append(domain);
    }
    return out;
}

bool CEScriptPropsData::Validate(QString& error, Field& field) const {
    field = Field::None;
    for (const QString& domain : m_lstDomain) {
        if (!domain.trimmed().isEmpty() && !IsDomainListEntry(domain)) {
            error = XalFormat(kStrNoDomain, domain);
            field = Field::DomainList;
            return false;
        }
    }
    if (m_strLogonUser != m_strLogonUser.trimmed()) {
        error = XalString(kStrUserBlank);
        field = Field::LogonUser;
        return false;
    }
    return true;
}

CMDBRecord CEScriptPropsData::BuildUpdate(std::int64_t nowMs) const {
    CMDBRecord set;
    CMDBRecord unset;
    set.SetStr(QStringLiteral("title"), m_strTitle.trimmed());
    CMDBRecord domains = CMDBRecord::MakeArray();
    for (const QString& domain : NormaliseDomains(m_lstDomain))
        domains.AppendStr(domain);
    set.SetRecord(QStringLiteral("domainlist"), std::move(domains));
    // Empty logon values are removed rather than stored empty, as the editor's own save does.
    if (m_strLogonUser.isEmpty())
        unset.SetStr(QStringLiteral("logon.user"), QString());
    else
        set.SetStr(QStringLiteral("logon.user"), m_strLogonUser);
    if (m_strLogonPW.isEmpty())
        unset.SetStr(QStringLiteral("logon.pw"), QString());
    else
        set.SetStr(QStringLiteral("logon.pw"), m_strLogonPW);
    set.SetDateInMilliSecs(QStringLiteral("lastchanged"), nowMs);

    CMDBRecord update;
    update.SetRecord(QStringLiteral("$set"), std::move(set));
    if (!unset.IsEmpty())
        update.SetRecord(QStringLiteral("$unset"), std::move(unset));
    return update;
}

bool CEScriptPropsData::Store(CMongoDB& db, QString& error, Field* field) {
    Field bad = Field::None;
    if (!Validate(error, bad)) {
        if (field)
            *field = bad;
        return false;
    }
    // The update does not create documents; an e-script removed meanwhile must be told.
    CMDBRecord existing;
    if (!db.SeekReference(Collection(), m_strID, existing, false, nullptr)) {
        const QString detail = db.GetLastError();
        error = detail.isEmpty() ? NotFoundText(m_strID) : DatabaseText(detail);
        return false;
    }
    if (!db.Update(Collection(), IdQuery(m_strID),
                   BuildUpdate(CMongoDB::GetCurrentDateInMilliSecs()))) {
        error = DatabaseText(db.GetLastError());
        return false;
    }
    m_lstDomain = NormaliseDomains(m_lstDomain);
    m_strTitle = m_strTitle.trimmed();
    return true;
}
