#include "escriptnewdata.h"

#include "escriptpropsdata.h"
#include "mongodb.h"
#include "xalstrings.h"

#include <QUrl>

namespace {
// String table numbers.
constexpr int kStrDatabaseDown = 148;
constexpr int kStrBadURL = 139;
constexpr int kStrNoID = 62532;
constexpr int kStrNoTitle = 62533;
constexpr int kStrIDTaken = 62534;
} // namespace

CEScriptNewData::CEScriptNewData(IdVerifier verifier) : m_verifier(std::move(verifier)) {}

bool CEScriptNewData::SplitRootURL(const QString& url, QString& normalised, int& protocol,
                                   QString& server, int& port) {
    QString text = url.trimmed();
    static const QString prefixes[] = {QStringLiteral("http://"), QStringLiteral("https://"),
                                       QStringLiteral("ftp://")};
    protocol = -1;
    for (int i = 0; i < 3; ++i)
        if (text.startsWith(prefixes[i], Qt::CaseInsensitive))
            protocol = i;
    if (protocol < 0) {
        if (text.contains(QStringLiteral("://")))
            return false;
        text.prepend(prefixes[0]);
        protocol = 0;
    }
    const QUrl parsed(text, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty() || text.contains(u' '))
        return false;
    server = parsed.host();
    port = parsed.port(0);
    if (port < 0 || port > 65535)
        return false;
    normalised = text;
    return true;
}

bool CEScriptNewData::Validate(QString& error, Field& field) {
    field = Field::None;
    QString id = m_strID.trimmed();
    if (id.isEmpty() || !m_verifier || !m_verifier(id) || id.isEmpty()) {
        error = XalString(kStrNoID);
        field = Field::ID;
        return false;
    }
    m_strID = id;
    if (m_strTitle.trimmed().isEmpty()) {
        error = XalString(kStrNoTitle);
        field = Field::Title;
        return false;
    }
    QString normalised;
    QString server;
    int protocol = 0;
    int port = 0;
    if (!m_strRootURL.trimmed().isEmpty() &&
        !SplitRootURL(m_strRootURL, normalised, protocol, server, port)) {
        error = XalString(kStrBadURL);
        field = Field::RootURL;
        return false;
    }
    if (m_nOpenCode < kCreatedOnly || m_nOpenCode > kOpenWithRecording)
        m_nOpenCode = kOpen;
    return true;
}

bool CEScriptNewData::Create(CMongoDB& db, QString& error, Field& field) {
    if (!Validate(error, field))
        return false;
    const QString collection = QString::fromUtf16(kEScriptCollection);
    const QString taken = XalFormat(kStrIDTaken, m_strID);
    CMDBRecord existing;
    if (db.SeekReference(collection, m_strID, existing)) {
        error = taken;
        field = Field::ID;
        return false;
    }
    if (!db.GetLastError().isEmpty()) {
        error = XalString(kStrDatabaseDown) + u'\n' + db.GetLastError();
        return false;
    }

    CMDBRecord doc;
    doc.SetStr(QStringLiteral("_id"), m_strID);
    doc.SetStr(QStringLiteral("title"), m_strTitle.trimmed());
    CMDBRecord available = CMDBRecord::MakeArray();
    QString normalised;
    QString server;
    int protocol = 0;
    int port = 0;
    if (SplitRootURL(m_strRootURL, normalised, protocol, server, port)) {
        doc.SetStr(QStringLiteral("rooturl"), normalised);
        doc.SetStr(QStringLiteral("server"), server);
        doc.SetInt(QStringLiteral("internetprotocol"), protocol);
        doc.SetInt(QStringLiteral("port"), port);
        available.AppendStr(server.toLower());
        m_strRootURL = normalised;
    } else {
        doc.SetStr(QStringLiteral("rooturl"), QString());
        m_strRootURL.clear();
    }
    doc.SetRecord(QStringLiteral("domainlist_available"), std::move(available));
    doc.SetRecord(QStringLiteral("domainlist"), CMDBRecord::MakeArray());
    doc.SetRecord(QStringLiteral("urls"), CMDBRecord::MakeArray());
    doc.SetDateInMilliSecs(QStringLiteral("lastchanged"), CMongoDB::GetCurrentDateInMilliSecs());

    // The insert itself refuses a duplicate, which covers a second creator racing this one.
    if (!db.Insert(collection, doc)) {
        if (db.LastErrorWasDuplicateKey()) {
            error = taken;
            field = Field::ID;
        } else {
            error = XalString(kStrDatabaseDown) + u'\n' + db.GetLastError();
        }
        return false;
    }
    return true;
}

QStringList CEScriptNewData::ResultArray() const {
    return {m_strTitle.trimmed(), m_strRootURL, m_strID};
}
