// The MongoDB store: libmongoc with a client pool. Short selection and connect timeouts make an
// unreachable server fail within seconds instead of hanging the editor.

#include "db_backend.h"

#include <mongoc/mongoc.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace xal::db {
namespace {

// libmongoc is opened when the first MongoDB store is made, not when the program starts: its
// constructor initialises OpenSSL and creates a TLS context (about 20 ms of every start), which
// an editor on the embedded store never needs.
#define XAL_MONGOC_FUNCTIONS(X)                                                                    \
    X(mongoc_cleanup)                                                                              \
    X(mongoc_client_command_simple)                                                                \
    X(mongoc_client_get_collection)                                                                \
    X(mongoc_client_pool_destroy)                                                                  \
    X(mongoc_client_pool_new_with_error)                                                           \
    X(mongoc_client_pool_pop)                                                                      \
    X(mongoc_client_pool_push)                                                                     \
    X(mongoc_client_pool_set_appname)                                                              \
    X(mongoc_client_pool_set_error_api)                                                            \
    X(mongoc_collection_delete_many)                                                               \
    X(mongoc_collection_delete_one)                                                                \
    X(mongoc_collection_destroy)                                                                   \
    X(mongoc_collection_find_with_opts)                                                            \
    X(mongoc_collection_insert_one)                                                                \
    X(mongoc_collection_replace_one)                                                               \
    X(mongoc_collection_update_many)                                                               \
    X(mongoc_collection_update_one)                                                                \
    X(mongoc_cursor_destroy)                                                                       \
    X(mongoc_cursor_error)                                                                         \
    X(mongoc_cursor_next)                                                                          \
    X(mongoc_init)                                                                                 \
    X(mongoc_log_set_handler)                                                                      \
    X(mongoc_uri_destroy)                                                                          \
    X(mongoc_uri_has_option)                                                                       \
    X(mongoc_uri_new_with_error)                                                                   \
    X(mongoc_uri_set_auth_source)                                                                  \
    X(mongoc_uri_set_option_as_int32)                                                              \
    X(mongoc_uri_set_option_as_utf8)                                                               \
    X(mongoc_uri_set_password)                                                                     \
    X(mongoc_uri_set_username)

struct MongocApi {
#define XAL_MONGOC_POINTER(name) decltype(&::name) name = nullptr;
    XAL_MONGOC_FUNCTIONS(XAL_MONGOC_POINTER)
#undef XAL_MONGOC_POINTER
    QString error; // why the library cannot be used; empty when it can
};

const MongocApi& Mongoc() {
    static const MongocApi api = [] {
        MongocApi loaded;
        void* library = ::dlopen("libmongoc-1.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            loaded.error = QString::fromLocal8Bit(::dlerror());
            return loaded;
        }
#define XAL_MONGOC_RESOLVE(name)                                                                   \
    loaded.name = reinterpret_cast<decltype(loaded.name)>(::dlsym(library, #name));                \
    if (loaded.name == nullptr && loaded.error.isEmpty())                                          \
        loaded.error = QStringLiteral("libmongoc-1.0.so.0 has no %1").arg(QLatin1String(#name));
        XAL_MONGOC_FUNCTIONS(XAL_MONGOC_RESOLVE)
#undef XAL_MONGOC_RESOLVE
        return loaded;
    }();
    return api;
}

constexpr int kSelectionTimeoutMs = 3000;
constexpr int kConnectTimeoutMs = 3000;
// Longer than any save of one document takes, short enough that a stalled server is noticed.
constexpr int kSocketTimeoutMs = 30000;
constexpr int kDuplicateKeyCode = 11000;

// The driver's own log talks at debug level about every failed server check; the wrapper
// reports every failure itself, so only the driver's own errors are worth showing.
void DriverLog(mongoc_log_level_t level, const char* domain, const char* message, void*) {
    if (level <= MONGOC_LOG_LEVEL_ERROR)
        std::fprintf(stderr, "mongoc %s: %s\n", domain, message);
}

// False, with the reason in st, when libmongoc cannot be used.
bool EnsureDriverInitialised(Status& st) {
    if (!Mongoc().error.isEmpty())
        return st.Fail(QStringLiteral("The MongoDB client library could not be loaded: %1")
                           .arg(Mongoc().error));
    static std::once_flag once;
    std::call_once(once, [] {
        Mongoc().mongoc_log_set_handler(DriverLog, nullptr);
        Mongoc().mongoc_init();
        std::atexit(Mongoc().mongoc_cleanup);
    });
    return true;
}

QString ErrorText(const bson_error_t& error) {
    return QString::fromUtf8(error.message);
}

// Owns a bson_t built from a record; the record's bytes are kept alive alongside.
class BsonDoc {
public:
    explicit BsonDoc(const CMDBRecord& record) : m_bytes(record.ToBson()) {
        m_ok = !m_bytes.empty() && bson_init_static(&m_doc, m_bytes.data(), m_bytes.size());
    }
    BsonDoc(const BsonDoc&) = delete;
    BsonDoc& operator=(const BsonDoc&) = delete;
    [[nodiscard]] bool Ok() const { return m_ok; }
    [[nodiscard]] const bson_t* Get() const { return &m_doc; }

private:
    std::vector<std::uint8_t> m_bytes;
    bson_t m_doc{};
    bool m_ok = false;
};

struct Pool {
    mongoc_uri_t* uri = nullptr;
    mongoc_client_pool_t* pool = nullptr;
    ~Pool() {
        if (pool)
            Mongoc().mongoc_client_pool_destroy(pool);
        if (uri)
            Mongoc().mongoc_uri_destroy(uri);
    }
};

// A client popped from a pool; the pool stays alive as long as any lease does.
class Lease {
public:
    explicit Lease(std::shared_ptr<Pool> pool)
        : m_pool(std::move(pool)), m_client(Mongoc().mongoc_client_pool_pop(m_pool->pool)) {}
    ~Lease() {
        if (m_client)
            Mongoc().mongoc_client_pool_push(m_pool->pool, m_client);
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    [[nodiscard]] mongoc_client_t* Client() const { return m_client; }

private:
    std::shared_ptr<Pool> m_pool;
    mongoc_client_t* m_client;
};

class Collection {
public:
    Collection(mongoc_client_t* client, const QByteArray& db, const QByteArray& coll)
        : m_coll(Mongoc().mongoc_client_get_collection(client, db.constData(), coll.constData())) {}
    ~Collection() { Mongoc().mongoc_collection_destroy(m_coll); }
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;
    [[nodiscard]] mongoc_collection_t* Get() const { return m_coll; }

private:
    mongoc_collection_t* m_coll;
};

bool Ping(mongoc_client_t* client, Status& st, const QString& server) {
    bson_t cmd = BSON_INITIALIZER;
    BSON_APPEND_INT32(&cmd, "ping", 1);
    bson_error_t error;
    const bool ok =
        Mongoc().mongoc_client_command_simple(client, "admin", &cmd, nullptr, nullptr, &error);
    bson_destroy(&cmd);
    if (ok)
        return true;
    if (error.domain == MONGOC_ERROR_CLIENT && error.code == MONGOC_ERROR_CLIENT_AUTHENTICATE)
        return st.Fail(QStringLiteral("The database server %1 refused the logon: %2")
                           .arg(CMongoDB::MaskCredentials(server), ErrorText(error)),
                       static_cast<int>(error.code));
    return st.Fail(QStringLiteral("Could not reach the database server %1: %2")
                       .arg(CMongoDB::MaskCredentials(server), ErrorText(error)),
                   static_cast<int>(error.code));
}

bool SplitNamespaceOrFail(const QString& ns, QByteArray& db, QByteArray& coll, Status& st) {
    return SplitNamespace(ns, db, coll) ||
           st.Fail(QStringLiteral("The namespace '%1' is not valid.").arg(ns));
}

// The update as BSON: operators ("$set", ...) or a whole replacement document.
bool RunUpdate(mongoc_client_t* client, const QString& ns, const CMDBRecord& query,
               const bson_t* change, bool upsert, bool multi, Status& st,
               std::int64_t* matched = nullptr) {
    QByteArray db;
    QByteArray coll;
    if (!SplitNamespaceOrFail(ns, db, coll, st))
        return false;
    const BsonDoc selector(query);
    if (!selector.Ok())
        return st.Fail(QStringLiteral("The update is too large to send."), 10334);
    bson_iter_t first;
    const bool operators =
        bson_iter_init(&first, change) && bson_iter_next(&first) && bson_iter_key(&first)[0] == '$';
    if (!operators && multi)
        return st.Fail(QStringLiteral("A multi update cannot replace whole documents."), 9);
    bson_t opts = BSON_INITIALIZER;
    BSON_APPEND_BOOL(&opts, "upsert", upsert);
    Collection c(client, db, coll);
    bson_error_t error;
    bson_t reply;
    bool ok;
    if (!operators)
        ok = Mongoc().mongoc_collection_replace_one(c.Get(), selector.Get(), change, &opts, &reply,
                                                    &error);
    else if (multi)
        ok = Mongoc().mongoc_collection_update_many(c.Get(), selector.Get(), change, &opts, &reply,
                                                    &error);
    else
        ok = Mongoc().mongoc_collection_update_one(c.Get(), selector.Get(), change, &opts, &reply,
                                                   &error);
    bson_destroy(&opts);
    if (ok && matched) {
        bson_iter_t it;
        if (bson_iter_init_find(&it, &reply, "matchedCount") && BSON_ITER_HOLDS_NUMBER(&it))
            *matched = bson_iter_as_int64(&it);
    }
    bson_destroy(&reply);
    if (ok)
        return true;
    st.duplicateKey = error.code == kDuplicateKeyCode;
    return st.Fail(ErrorText(error), static_cast<int>(error.code));
}

bool RunUpdate(mongoc_client_t* client, const QString& ns, const CMDBRecord& query,
               const CMDBRecord& update, bool upsert, bool multi, Status& st,
               std::int64_t* matched = nullptr) {
    const BsonDoc change(update);
    if (!change.Ok())
        return st.Fail(QStringLiteral("The update is too large to send."), 10334);
    return RunUpdate(client, ns, query, change.Get(), upsert, multi, st, matched);
}

class MongoConnection final : public Connection {
public:
    explicit MongoConnection(std::shared_ptr<Pool> pool) : m_lease(std::move(pool)) {}
    void update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update, bool upsert,
                bool multi) override {
        Status st;
        if (!RunUpdate(m_lease.Client(), ns, query, update, upsert, multi, st))
            throw CDbException(st.code ? st.code : 1, st.error);
    }

private:
    Lease m_lease;
};

class MongoBackend final : public Backend {
public:
    MongoBackend(QString server, QString replicaSet)
        : m_server(std::move(server)), m_replicaSet(std::move(replicaSet)) {}

    bool Connect(Status& st) override {
        auto pool = MakePool(QString(), QString(), QString(), st);
        if (!pool)
            return false;
        {
            Lease lease(pool);
            if (!Ping(lease.Client(), st, m_server))
                return false;
        }
        std::lock_guard lock(m_mutex);
        m_pool = std::move(pool);
        return true;
    }

    bool Authenticate(const QString& database, const QString& user, const QString& password,
                      Status& st) override {
        auto pool = MakePool(database, user, password, st);
        if (!pool)
            return false;
        {
            Lease lease(pool);
            if (!Ping(lease.Client(), st, m_server))
                return false;
        }
        // Connections handed out before keep their old pool alive until they are done.
        std::lock_guard lock(m_mutex);
        m_pool = std::move(pool);
        return true;
    }

    [[nodiscard]] bool IsConnected() const override {
        std::lock_guard lock(m_mutex);
        return m_pool != nullptr;
    }

    bool Find(const QString& ns, const CMDBRecord& query, const FindOptions& options,
              CMDBRecordList& out, Status& st) override {
        QByteArray db;
        QByteArray coll;
        const auto pool = PoolFor(ns, db, coll, st);
        if (!pool)
            return false;
        const BsonDoc filter(query);
        if (!filter.Ok())
            return st.Fail(QStringLiteral("The query is too large to send."), 10334);
        bson_t opts = BSON_INITIALIZER;
        if (options.fields && !options.fields->isEmpty()) {
            bson_t projection;
            BSON_APPEND_DOCUMENT_BEGIN(&opts, "projection", &projection);
            for (const auto& f : *options.fields) {
                const QByteArray key = f.toUtf8();
                bson_append_int32(&projection, key.constData(), static_cast<int>(key.size()), 1);
            }
            bson_append_document_end(&opts, &projection);
        }
        if (options.limit > 0)
            BSON_APPEND_INT64(&opts, "limit", options.limit);
        Lease lease(pool);
        Collection c(lease.Client(), db, coll);
        mongoc_cursor_t* cursor =
            Mongoc().mongoc_collection_find_with_opts(c.Get(), filter.Get(), &opts, nullptr);
        bson_destroy(&opts);
        const bson_t* doc = nullptr;
        bool damaged = false;
        while (Mongoc().mongoc_cursor_next(cursor, &doc)) {
            CMDBRecord record;
            if (!CMDBRecord::FromBson(bson_get_data(doc), doc->len, record))
                damaged = true;
            else
                out.AddTail(std::move(record));
        }
        bson_error_t error;
        const bool failed = Mongoc().mongoc_cursor_error(cursor, &error);
        Mongoc().mongoc_cursor_destroy(cursor);
        if (failed)
            return st.Fail(ErrorText(error), static_cast<int>(error.code));
        if (damaged)
            return st.Fail(QStringLiteral("A document of %1 could not be read.").arg(ns));
        return true;
    }

    bool Insert(const QString& ns, const CMDBRecord& document, Status& st) override {
        QByteArray db;
        QByteArray coll;
        const auto pool = PoolFor(ns, db, coll, st);
        if (!pool)
            return false;
        const BsonDoc doc(document);
        if (!doc.Ok())
            return st.Fail(QStringLiteral("The document is too large to send."), 10334);
        Lease lease(pool);
        Collection c(lease.Client(), db, coll);
        bson_error_t error;
        if (Mongoc().mongoc_collection_insert_one(c.Get(), doc.Get(), nullptr, nullptr, &error))
            return true;
        st.duplicateKey = error.code == kDuplicateKeyCode;
        return st.Fail(ErrorText(error), static_cast<int>(error.code));
    }

    bool Update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update, bool upsert,
                bool multi, Status& st, std::int64_t* matched) override {
        auto pool = CurrentPool(st);
        if (!pool)
            return false;
        Lease lease(pool);
        return RunUpdate(lease.Client(), ns, query, update, upsert, multi, st, matched);
    }

    bool UpdateBson(const QString& ns, const CMDBRecord& query, const std::uint8_t* update,
                    std::size_t length, bool upsert, bool multi, Status& st,
                    std::int64_t* matched) override {
        bson_t change;
        if (!bson_init_static(&change, update, length))
            return st.Fail(QStringLiteral("The update is not a valid document."), 2);
        auto pool = CurrentPool(st);
        if (!pool)
            return false;
        Lease lease(pool);
        return RunUpdate(lease.Client(), ns, query, &change, upsert, multi, st, matched);
    }

    bool Remove(const QString& ns, const CMDBRecord& query, bool justOne, Status& st) override {
        QByteArray db;
        QByteArray coll;
        const auto pool = PoolFor(ns, db, coll, st);
        if (!pool)
            return false;
        const BsonDoc selector(query);
        if (!selector.Ok())
            return st.Fail(QStringLiteral("The query is too large to send."), 10334);
        Lease lease(pool);
        Collection c(lease.Client(), db, coll);
        bson_error_t error;
        const bool ok = justOne ? Mongoc().mongoc_collection_delete_one(c.Get(), selector.Get(),
                                                                        nullptr, nullptr, &error)
                                : Mongoc().mongoc_collection_delete_many(c.Get(), selector.Get(),
                                                                         nullptr, nullptr, &error);
        return ok || st.Fail(ErrorText(error), static_cast<int>(error.code));
    }

    std::unique_ptr<Connection> Acquire(Status& st) override {
        auto pool = CurrentPool(st);
        if (!pool)
            return nullptr;
        return std::make_unique<MongoConnection>(std::move(pool));
    }

private:
    // The pool to use for a namespace, or null with the reason in st.
    std::shared_ptr<Pool> PoolFor(const QString& ns, QByteArray& db, QByteArray& coll,
                                  Status& st) const {
        auto pool = CurrentPool(st);
        if (!pool || !SplitNamespaceOrFail(ns, db, coll, st))
            return nullptr;
        return pool;
    }

    std::shared_ptr<Pool> CurrentPool(Status& st) const {
        std::lock_guard lock(m_mutex);
        if (!m_pool)
            st.Fail(QStringLiteral("Not connected to the database."));
        return m_pool;
    }

    std::shared_ptr<Pool> MakePool(const QString& authDb, const QString& user,
                                   const QString& password, Status& st) const {
        const QString text = m_server.trimmed();
        if (text.isEmpty()) {
            st.Fail(QStringLiteral("No database server is configured."));
            return nullptr;
        }
        if (!EnsureDriverInitialised(st))
            return nullptr;
        const bool isUri = text.startsWith(u"mongodb://") || text.startsWith(u"mongodb+srv://");
        const QByteArray uriText =
            (isUri ? text : QStringLiteral("mongodb://%1/").arg(text)).toUtf8();
        auto pool = std::make_shared<Pool>();
        bson_error_t error;
        pool->uri = Mongoc().mongoc_uri_new_with_error(uriText.constData(), &error);
        if (!pool->uri) {
            st.Fail(QStringLiteral("The database server '%1' is not valid: %2")
                        .arg(CMongoDB::MaskCredentials(text), ErrorText(error)));
            return nullptr;
        }
        mongoc_uri_t* uri = pool->uri;
        if (!m_replicaSet.trimmed().isEmpty())
            Mongoc().mongoc_uri_set_option_as_utf8(uri, MONGOC_URI_REPLICASET,
                                                   m_replicaSet.trimmed().toUtf8().constData());
        if (!Mongoc().mongoc_uri_has_option(uri, MONGOC_URI_SERVERSELECTIONTIMEOUTMS))
            Mongoc().mongoc_uri_set_option_as_int32(uri, MONGOC_URI_SERVERSELECTIONTIMEOUTMS,
                                                    kSelectionTimeoutMs);
        if (!Mongoc().mongoc_uri_has_option(uri, MONGOC_URI_CONNECTTIMEOUTMS))
            Mongoc().mongoc_uri_set_option_as_int32(uri, MONGOC_URI_CONNECTTIMEOUTMS,
                                                    kConnectTimeoutMs);
        if (!Mongoc().mongoc_uri_has_option(uri, MONGOC_URI_SOCKETTIMEOUTMS))
            Mongoc().mongoc_uri_set_option_as_int32(uri, MONGOC_URI_SOCKETTIMEOUTMS,
                                                    kSocketTimeoutMs);
        if (!user.isEmpty()) {
            Mongoc().mongoc_uri_set_username(uri, user.toUtf8().constData());
            Mongoc().mongoc_uri_set_password(uri, password.toUtf8().constData());
            Mongoc().mongoc_uri_set_auth_source(
                uri, (authDb.isEmpty() ? QStringLiteral("admin") : authDb).toUtf8().constData());
        }
        pool->pool = Mongoc().mongoc_client_pool_new_with_error(uri, &error);
        if (!pool->pool) {
            st.Fail(QStringLiteral("The database server '%1' is not valid: %2")
                        .arg(CMongoDB::MaskCredentials(text), ErrorText(error)));
            return nullptr;
        }
        Mongoc().mongoc_client_pool_set_error_api(pool->pool, MONGOC_ERROR_API_VERSION_2);
        Mongoc().mongoc_client_pool_set_appname(pool->pool, "XAL E-script Editor");
        return pool;
    }

    QString m_server;
    QString m_replicaSet;
    mutable std::mutex m_mutex;
    std::shared_ptr<Pool> m_pool;
};

} // namespace

bool SplitNamespace(const QString& ns, QByteArray& database, QByteArray& collection) {
    const auto dot = ns.indexOf(u'.');
    if (dot <= 0 || dot + 1 >= ns.size())
        return false;
    database = ns.left(dot).toUtf8();
    collection = ns.mid(dot + 1).toUtf8();
    return true;
}

std::unique_ptr<Backend> MakeMongoBackend(const QString& server, const QString& replicaSet) {
    return std::make_unique<MongoBackend>(server, replicaSet);
}

} // namespace xal::db
