#pragma once
// Database session of the suite: CMongoDB, CMDBRecord and CMDBRecordList.
//
// Names and values are wide text (QString); the wrapper converts to and from UTF-8.
// Two backends sit behind one session: a MongoDB server (libmongoc, pooled clients) and
// an embedded single-file store (SQLite holding BSON documents) for one workstation.
// The server text chooses: "embedded:<path>" is the embedded store, anything else is a
// MongoDB host list ("host", "host:port", "h1,h2") or a full "mongodb://" URI.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace xal::db {
class Backend;
class Connection;
class RecordAccess;
} // namespace xal::db

// Raised by a scoped connection when an update fails, and by a connection used after it
// went back to the pool (code 11005).
class CDbException : public std::runtime_error {
public:
    CDbException(int code, const QString& text);
    [[nodiscard]] int code() const noexcept { return m_nCode; }
    [[nodiscard]] QString text() const { return m_strText; }

private:
    int m_nCode;
    QString m_strText;
};

constexpr int kDbErrorConnectionReturned = 11005;

// One document, sub-document or array. Field order is kept.
class CMDBRecord {
public:
    enum class Type {
        Missing,
        String,
        Int32,
        Int64,
        Bool,
        Date,
        Double,
        Null,
        Document,
        Array,
        Other
    };

    CMDBRecord();
    CMDBRecord(const CMDBRecord& other);            // deep copy
    CMDBRecord& operator=(const CMDBRecord& other); // deep copy
    CMDBRecord(CMDBRecord&& other) noexcept;
    CMDBRecord& operator=(CMDBRecord&& other) noexcept;
    ~CMDBRecord();

    static CMDBRecord MakeArray();

    // Records come and go by the hundred thousand while a large document loads; they are
    // allocated from a pool of blocks of their size.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    // Setting a name that exists replaces its value in place; otherwise appends.
    void SetStr(const QString& name, const QString& value);
    void SetInt(const QString& name, std::int32_t value);
    void SetLL(const QString& name, std::int64_t value);
    void SetBool(const QString& name, bool value);
    void SetDateInMilliSecs(const QString& name, std::int64_t msSinceEpoch);
    void SetDouble(const QString& name, double value);
    void SetNull(const QString& name);
    void SetRecordPtr(const QString& name, CMDBRecord* record); // takes ownership
    void SetRecord(const QString& name, CMDBRecord record);     // sub-document or array
    // On an array record: appends an element (its name is the next index).
    void AppendStr(const QString& value);
    void AppendRecord(CMDBRecord record);

    // Values are converted where that is meaningful (int32 <-> int64 <-> double <-> bool);
    // a missing field or one of another kind gives the default.
    [[nodiscard]] QString GetStr(const QString& name, const QString& def = QString()) const;
    [[nodiscard]] std::int32_t GetInt(const QString& name, std::int32_t def = 0) const;
    [[nodiscard]] std::int64_t GetLL(const QString& name, std::int64_t def = 0) const;
    [[nodiscard]] bool GetBool(const QString& name, bool def = false) const;
    [[nodiscard]] std::int64_t GetDateInMilliSecs(const QString& name, std::int64_t def = 0) const;

    // Sub-document (or array) owned by this record, or null when missing or of another type.
    [[nodiscard]] CMDBRecord* GetRecordPtr(const QString& name) const;
    [[nodiscard]] CMDBRecord* GetRecordPtr(int index) const;
    // Array named name, or on an array the element at that decimal index; null otherwise.
    [[nodiscard]] CMDBRecord* GetArrayPtr(const QString& name) const;
    // Number of fields (for an array: of elements).
    [[nodiscard]] int GetCount() const;
    // Appends the strings of the array field name in order; false when there is no such array.
    bool DataToArrayObj(const QString& name, QStringList& out) const;

    [[nodiscard]] bool IsArray() const;
    [[nodiscard]] bool IsEmpty() const;
    [[nodiscard]] bool HasField(const QString& name) const;
    [[nodiscard]] Type GetType(const QString& name) const;
    [[nodiscard]] QStringList GetFieldNames() const;
    bool RemoveField(const QString& name);
    void Clear();
    // Sets every field of other on this record (in place when the name exists, else appended).
    void AppendFields(const CMDBRecord& other);
    // False when a string anywhere in the record is not valid UTF-8 (it could not be written
    // back unchanged).
    [[nodiscard]] bool HasValidUtf8() const;

    // BSON and MongoDB Extended JSON (canonical mode) forms.
    [[nodiscard]] std::vector<std::uint8_t> ToBson() const;
    static bool FromBson(const std::uint8_t* data, std::size_t length, CMDBRecord& out);
    [[nodiscard]] QString ToJson() const;
    static bool FromJson(const QString& json, CMDBRecord& out, QString* error = nullptr);

    bool operator==(const CMDBRecord& other) const; // same fields, order, types and values

private:
    friend class xal::db::RecordAccess;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Result list of a query, walked from head to tail.
class CMDBRecordList {
public:
    CMDBRecordList();
    ~CMDBRecordList();
    CMDBRecordList(const CMDBRecordList&) = delete;
    CMDBRecordList& operator=(const CMDBRecordList&) = delete;

    [[nodiscard]] int GetCount() const { return static_cast<int>(m_records.size()); }
    [[nodiscard]] bool IsEmpty() const { return m_records.empty(); }
    [[nodiscard]] CMDBRecord* GetAt(int index) const { return m_records.at(index).get(); }
    void AddTail(CMDBRecord record);
    void RemoveAll() { m_records.clear(); }
    auto begin() const { return m_records.begin(); }
    auto end() const { return m_records.end(); }

private:
    std::vector<std::unique_ptr<CMDBRecord>> m_records;
};

// A pooled connection handed out by the session. Goes back to the pool when destroyed or
// after Done(); any use after that raises CDbException with code 11005
// "connection was returned to the pool already".
class CScopedDbConnection {
public:
    explicit CScopedDbConnection(std::unique_ptr<xal::db::Connection> connection);
    ~CScopedDbConnection();
    CScopedDbConnection(const CScopedDbConnection&) = delete;
    CScopedDbConnection& operator=(const CScopedDbConnection&) = delete;

    // Acknowledged update; raises CDbException when the server or the connection fails.
    void update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update,
                bool upsert = false, bool multi = false);
    void Done();

private:
    std::unique_ptr<xal::db::Connection> m_connection;
};

class CMongoDB {
public:
    CMongoDB(const QString& server, const QString& replicaSet);
    ~CMongoDB();
    CMongoDB(const CMongoDB&) = delete;
    CMongoDB& operator=(const CMongoDB&) = delete;

    bool Connect(QString& error);
    bool Authenticate(const QString& database, const QString& user, const QString& password,
                      QString& error, bool digestPassword = true);
    [[nodiscard]] bool IsConnected() const;
    // Gives back memory kept only for speed after a large read: the embedded store's page
    // cache, and the slabs of the record pools when no record is alive. Nothing stored changes.
    void ReleaseMemory();
    // Records of ns need not survive a power loss (locks): the embedded store does not sync
    // their changes, and a run that changed nothing else skips the checkpoint on closing.
    void SetVolatile(const QString& ns);

    bool SeekToList(const QString& ns, const CMDBRecord& query, CMDBRecordList& out,
                    const QStringList* fields = nullptr);
    bool SeekFirst(const QString& ns, const CMDBRecord& query, CMDBRecord& out,
                   const QStringList& fields = QStringList());
    bool SeekReference(const QString& ns, const QString& id, CMDBRecord& out, bool unused = false,
                       const QStringList* fields = nullptr);
    bool Insert(const QString& ns, const CMDBRecord& document);
    // Acknowledged update outside a scoped connection. matched, when given, receives the
    // number of documents the query selected, so that "missing" and "changed" are one step.
    bool Update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update,
                bool upsert = false, bool multi = false, std::int64_t* matched = nullptr);
    // The same with the update given as BSON bytes (CMDBBsonWriter), for changes too large to
    // build as records. The embedded store applies a $set/$unset of one document by a text _id
    // to the stored bytes directly.
    bool UpdateBson(const QString& ns, const CMDBRecord& query,
                    const std::vector<std::uint8_t>& update, bool upsert = false,
                    bool multi = false, std::int64_t* matched = nullptr);
    bool Remove(const QString& ns, const CMDBRecord& query, bool justOne = false);

    [[nodiscard]] static std::int64_t GetCurrentDateInMilliSecs();

    // Connection from the session's pool; valid while the session lives.
    [[nodiscard]] std::unique_ptr<CScopedDbConnection> GetScopedDbConnectionPtr();

    // Text of the last failure (empty after a success); duplicate keys are told apart.
    [[nodiscard]] QString GetLastError() const;
    [[nodiscard]] bool LastErrorWasDuplicateKey() const;
    [[nodiscard]] QString GetServer() const;
    // The server text to show or trace: a password inside it ("mongodb://user:pw@host") masked.
    [[nodiscard]] QString GetServerMasked() const { return MaskCredentials(m_strServer); }
    [[nodiscard]] static QString MaskCredentials(const QString& server);

private:
    std::unique_ptr<xal::db::Backend> m_backend;
    QString m_strServer;
    QString m_strReplicaSet;
    QString m_strLastError;
    bool m_bDuplicateKey = false;
};
