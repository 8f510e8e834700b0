#pragma once
// The seam between CMongoDB and its two stores (MongoDB server, embedded file).

#include "mongodb.h"

#include <memory>

namespace xal::db {

struct Status {
    QString error;
    bool duplicateKey = false;
    int code = 0;

    bool Fail(const QString& text, int errorCode = 0) {
        error = text;
        code = errorCode;
        return false;
    }
};

struct FindOptions {
    const QStringList* fields = nullptr; // projection; null or empty: every field
    int limit = 0;                       // 0: no limit
};

// A pooled connection; update() raises CDbException on any failure.
class Connection {
public:
    virtual ~Connection() = default;
    virtual void update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update,
                        bool upsert, bool multi) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual bool Connect(Status& status) = 0;
    virtual bool Authenticate(const QString& database, const QString& user, const QString& password,
                              Status& status) = 0;
    [[nodiscard]] virtual bool IsConnected() const = 0;
    virtual bool Find(const QString& ns, const CMDBRecord& query, const FindOptions& options,
                      CMDBRecordList& out, Status& status) = 0;
    virtual bool Insert(const QString& ns, const CMDBRecord& document, Status& status) = 0;
    // matched, when given, receives the number of documents the query selected.
    virtual bool Update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update,
                        bool upsert, bool multi, Status& status,
                        std::int64_t* matched = nullptr) = 0;
    virtual bool Remove(const QString& ns, const CMDBRecord& query, bool justOne,
                        Status& status) = 0;
    // The same as Update with the update given as BSON bytes (a large save is built that way).
    virtual bool UpdateBson(const QString& ns, const CMDBRecord& query, const std::uint8_t* update,
                            std::size_t length, bool upsert, bool multi, Status& status,
                            std::int64_t* matched) = 0;
    virtual std::unique_ptr<Connection> Acquire(Status& status) = 0;
    // Gives back memory kept only for speed (caches of what was read); nothing stored changes.
    virtual void ReleaseMemory() {}
    // Changes of ns need not survive a power loss (a store may then skip syncing them).
    virtual void SetVolatile(const QString& /*ns*/) {}
};

// "db.collection" split at the first dot; false when either half is empty.
bool SplitNamespace(const QString& ns, QByteArray& database, QByteArray& collection);

std::unique_ptr<Backend> MakeMongoBackend(const QString& server, const QString& replicaSet);
std::unique_ptr<Backend> MakeEmbeddedBackend(const QString& path);

} // namespace xal::db
