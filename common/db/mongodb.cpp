// CMongoDB: one database session over the store the server text names.

#include "db_backend.h"
#include "db_record_impl.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

const QString kEmbeddedPrefix = QStringLiteral("embedded:");

// Handed out when no pooled connection can be had, so a caller's update fails with the reason
// instead of dereferencing nothing.
class UnavailableConnection final : public xal::db::Connection {
public:
    UnavailableConnection(int code, QString text) : m_code(code), m_text(std::move(text)) {}
    void update(const QString&, const CMDBRecord&, const CMDBRecord&, bool, bool) override {
        throw CDbException(m_code, m_text);
    }

private:
    int m_code;
    QString m_text;
};

} // namespace

CScopedDbConnection::CScopedDbConnection(std::unique_ptr<xal::db::Connection> connection)
    : m_connection(std::move(connection)) {}

CScopedDbConnection::~CScopedDbConnection() = default;

void CScopedDbConnection::update(const QString& ns, const CMDBRecord& query,
                                 const CMDBRecord& update, bool upsert, bool multi) {
    if (!m_connection)
        throw CDbException(kDbErrorConnectionReturned,
                           QStringLiteral("connection was returned to the pool already"));
    m_connection->update(ns, query, update, upsert, multi);
}

void CScopedDbConnection::Done() {
    m_connection.reset();
}

// ---------------------------------------------------------------------------------------------

CMongoDB::CMongoDB(const QString& server, const QString& replicaSet)
    : m_strServer(server), m_strReplicaSet(replicaSet) {
    const QString text = server.trimmed();
    if (text.startsWith(kEmbeddedPrefix, Qt::CaseInsensitive))
        m_backend = xal::db::MakeEmbeddedBackend(text.mid(kEmbeddedPrefix.size()));
    else
        m_backend = xal::db::MakeMongoBackend(text, replicaSet);
}

CMongoDB::~CMongoDB() = default;

namespace {

struct Outcome {
    QString& error;
    bool& duplicate;
    xal::db::Status status;

    Outcome(QString& e, bool& d) : error(e), duplicate(d) {
        error.clear();
        duplicate = false;
    }
    bool Done(bool ok) {
        if (!ok) {
            error = status.error.isEmpty() ? QStringLiteral("The database operation failed.")
                                           : status.error;
            duplicate = status.duplicateKey;
        }
        return ok;
    }
};

} // namespace

bool CMongoDB::Connect(QString& error) {
    Outcome o(m_strLastError, m_bDuplicateKey);
    const bool ok = o.Done(m_backend->Connect(o.status));
    error = m_strLastError;
    return ok;
}

bool CMongoDB::Authenticate(const QString& database, const QString& user, const QString& password,
                            QString& error, bool digestPassword) {
    // SCRAM always sends a digest; the flag is kept for callers written for older drivers.
    Q_UNUSED(digestPassword);
    Outcome o(m_strLastError, m_bDuplicateKey);
    bool ok;
    if (!m_backend->IsConnected())
        ok = o.status.Fail(QStringLiteral("Not connected to the database."));
    else if (user.isEmpty())
        ok = o.status.Fail(QStringLiteral("No user name was given for the logon."));
    else
        ok = m_backend->Authenticate(database, user, password, o.status);
    ok = o.Done(ok);
    error = m_strLastError;
    return ok;
}

bool CMongoDB::IsConnected() const {
    return m_backend->IsConnected();
}

void CMongoDB::SetVolatile(const QString& ns) {
    m_backend->SetVolatile(ns);
}

void CMongoDB::ReleaseMemory() {
    m_backend->ReleaseMemory();
    xal::db::RecordAccess::TrimPools();
}

bool CMongoDB::SeekToList(const QString& ns, const CMDBRecord& query, CMDBRecordList& out,
                          const QStringList* fields) {
    Outcome o(m_strLastError, m_bDuplicateKey);
    xal::db::FindOptions options;
    options.fields = fields;
    CMDBRecordList found;
    if (!o.Done(m_backend->Find(ns, query, options, found, o.status)))
        return false;
    for (const auto& record : found)
        out.AddTail(std::move(*record));
    return true;
}

bool CMongoDB::SeekFirst(const QString& ns, const CMDBRecord& query, CMDBRecord& out,
                         const QStringList& fields) {
    Outcome o(m_strLastError, m_bDuplicateKey);
    xal::db::FindOptions options;
    options.fields = &fields;
    options.limit = 1;
    CMDBRecordList found;
    out.Clear();
    if (!o.Done(m_backend->Find(ns, query, options, found, o.status)) || found.IsEmpty())
        return false;
    out = std::move(*found.GetAt(0));
    return true;
}

bool CMongoDB::SeekReference(const QString& ns, const QString& id, CMDBRecord& out, bool unused,
                             const QStringList* fields) {
    Q_UNUSED(unused);
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), id);
    return SeekFirst(ns, query, out, fields ? *fields : QStringList());
}

bool CMongoDB::Insert(const QString& ns, const CMDBRecord& document) {
    Outcome o(m_strLastError, m_bDuplicateKey);
    return o.Done(m_backend->Insert(ns, document, o.status));
}

bool CMongoDB::Update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update,
                      bool upsert, bool multi, std::int64_t* matched) {
    Outcome o(m_strLastError, m_bDuplicateKey);
    if (matched)
        *matched = 0;
    return o.Done(m_backend->Update(ns, query, update, upsert, multi, o.status, matched));
}

bool CMongoDB::UpdateBson(const QString& ns, const CMDBRecord& query,
                          const std::vector<std::uint8_t>& update, bool upsert, bool multi,
                          std::int64_t* matched) {
    Outcome o(m_strLastError, m_bDuplicateKey);
    if (matched)
        *matched = 0;
    return o.Done(m_backend->UpdateBson(ns, query, update.data(), update.size(), upsert, multi,
                                        o.status, matched));
}

bool CMongoDB::Remove(const QString& ns, const CMDBRecord& query, bool justOne) {
    Outcome o(m_strLastError, m_bDuplicateKey);
    return o.Done(m_backend->Remove(ns, query, justOne, o.status));
}

std::int64_t CMongoDB::GetCurrentDateInMilliSecs() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::unique_ptr<CScopedDbConnection> CMongoDB::GetScopedDbConnectionPtr() {
    Outcome o(m_strLastError, m_bDuplicateKey);
    auto connection = m_backend->Acquire(o.status);
    if (!o.Done(connection != nullptr))
        connection = std::make_unique<UnavailableConnection>(o.status.code ? o.status.code : 1,
                                                             m_strLastError);
    return std::make_unique<CScopedDbConnection>(std::move(connection));
}

QString CMongoDB::GetLastError() const {
    return m_strLastError;
}
bool CMongoDB::LastErrorWasDuplicateKey() const {
    return m_bDuplicateKey;
}
QString CMongoDB::GetServer() const {
    return m_strServer;
}

QString CMongoDB::MaskCredentials(const QString& server) {
    // The user information of a URI ends at the last '@' before the host list; its password
    // is what follows the first ':'. A "password=" option of the query is masked too.
    QString text = server;
    const qsizetype scheme = text.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    qsizetype end = text.indexOf(u'/', start);
    if (end < 0)
        end = text.size();
    const qsizetype at = text.lastIndexOf(u'@', end - 1);
    if (at >= start) {
        const qsizetype colon = text.indexOf(u':', start);
        if (colon >= 0 && colon < at)
            text.replace(colon + 1, at - colon - 1, QStringLiteral("*****"));
    }
    static const QRegularExpression option(
        QStringLiteral("([?&](?:password|authMechanismProperties)=)[^&]*"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(option, QStringLiteral("\\1*****"));
    return text;
}
