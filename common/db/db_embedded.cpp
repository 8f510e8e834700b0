// The embedded store: one SQLite file holding every collection's documents as BSON, with the
// query and update semantics of db_match. WAL and a busy timeout let several processes share it.

#include "db_backend.h"
#include "db_match.h"
#include "db_rawupdate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace xal::db {
namespace {

// Another process may hold the write lock for a whole large save; SQLite's busy handler backs
// off between attempts up to this limit.
constexpr int kBusyTimeoutMs = 30000;
constexpr int kMaxDocumentBytes = 16 * 1024 * 1024;
constexpr int kDuplicateKeyCode = 11000;
constexpr const char* kFormatName = "xal-embedded-store";

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    [[nodiscard]] bool Ok() const { return m_rc == SQLITE_OK; }
    [[nodiscard]] int PrepareCode() const { return m_rc; }
    void Bind(int i, const QByteArray& bytes) {
        sqlite3_bind_blob(m_stmt, i, bytes.constData(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }
    void Bind(int i, const std::vector<std::uint8_t>& bytes) {
        sqlite3_bind_blob(m_stmt, i, bytes.data(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }
    // The bytes must outlive the statement's step (a large document is not copied again).
    void BindStatic(int i, const std::vector<std::uint8_t>& bytes) {
        sqlite3_bind_blob(m_stmt, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
    }
    void Bind(int i, sqlite3_int64 n) { sqlite3_bind_int64(m_stmt, i, n); }
    void BindText(int i, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), static_cast<int>(utf8.size()),
                          SQLITE_TRANSIENT);
    }
    int Step() { return sqlite3_step(m_stmt); }
    [[nodiscard]] sqlite3_stmt* Get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

Value ObjectIdValue() {
    bson_oid_t oid;
    bson_oid_init(&oid, nullptr);
    bson_t one = BSON_INITIALIZER;
    bson_append_oid(&one, "", 0, &oid);
    Value v;
    v.type = CMDBRecord::Type::Other;
    const std::uint8_t* data = bson_get_data(&one);
    v.raw.assign(data, data + one.len);
    bson_destroy(&one);
    return v;
}

// MongoDB keeps _id as the first field of a stored document.
void IdFirst(CMDBRecord& doc) {
    auto& fields = RecordAccess::Fields(doc);
    for (std::size_t i = 1; i < fields.size(); ++i) {
        if (fields[i].name == u"_id") {
            Field id = std::move(fields[i]);
            fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(i));
            fields.insert(fields.begin(), std::move(id));
            RecordAccess::InvalidateIndex(doc);
            return;
        }
    }
}

QString IdText(const Value& id) {
    CMDBRecord holder;
    RecordAccess::Put(holder, QStringLiteral("_id"), id);
    return holder.ToJson();
}

struct Row {
    sqlite3_int64 rowid;
    CMDBRecord doc;
};

} // namespace

class EmbeddedStore {
public:
    explicit EmbeddedStore(QString path) : m_path(std::move(path)) {}
    ~EmbeddedStore() {
        if (!m_db)
            return;
        // The last connection's checkpoint on closing reads the -shm file, which faults as any
        // other use would; the WAL is then left for the next program to open the store.
        // When this connection changed nothing but records that need not outlive a power loss,
        // the checkpoint's syncs and the removal of the WAL buy nothing: the WAL is left for
        // the next program, whose first change then appends to it without syncing its header.
        Status damaged;
        if (!m_wroteDurable || !CheckFiles(damaged))
            sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close_v2(m_db);
    }
    EmbeddedStore(const EmbeddedStore&) = delete;
    EmbeddedStore& operator=(const EmbeddedStore&) = delete;

    bool Open(Status& st);
    bool OpenOnce(Status& st);
    [[nodiscard]] bool IsOpen() const { return m_db != nullptr; }
    bool Find(const QString& ns, const CMDBRecord& query, const FindOptions& options,
              CMDBRecordList& out, Status& st);
    bool Insert(const QString& ns, const CMDBRecord& document, Status& st);
    bool Update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update, bool upsert,
                bool multi, Status& st, std::int64_t* matched = nullptr);
    bool Remove(const QString& ns, const CMDBRecord& query, bool justOne, Status& st);
    // An update given as BSON. One document selected by a text _id with $set/$unset is
    // changed on its stored bytes; anything else goes through the record engine.
    bool UpdateBson(const QString& ns, const CMDBRecord& query, const std::uint8_t* update,
                    std::size_t length, bool upsert, bool multi, Status& st, std::int64_t* matched);
    void SetVolatile(const QString& ns) {
        const std::lock_guard lock(m_mutex);
        m_volatile.insert(ns);
    }
    // Empties SQLite's page cache, which keeps the pages of the documents read last.
    void ReleaseMemory() {
        const std::lock_guard lock(m_mutex);
        if (m_db)
            sqlite3_db_release_memory(m_db);
    }

private:
    enum class Raw { Done, Failed, NotHandled };
    Raw UpdateRaw(const QString& ns, const Value& id, const std::uint8_t* update,
                  std::size_t length, Status& st, std::int64_t* matched);
    bool Fail(Status& st, int rc, const QString& what);
    bool Exec(const char* sql, Status& st, const QString& what);
    bool Begin(Status& st) { return Exec("BEGIN IMMEDIATE", st, QStringLiteral("start a change")); }
    // Starts a change of ns, synced at its commit unless ns holds only volatile records.
    bool Begin(const QString& ns, Status& st) {
        const bool durable = !m_volatile.contains(ns);
        if (durable != m_syncFull) {
            if (!Exec(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL", st,
                      QStringLiteral("start a change")))
                return false;
            m_syncFull = durable;
        }
        m_wroteDurable = m_wroteDurable || durable;
        return Begin(st);
    }
    bool Commit(Status& st) { return Exec("COMMIT", st, QStringLiteral("save the change")); }
    void Rollback() { sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr); }
    bool Select(const QString& ns, const CMDBRecord& query, int limit, std::vector<Row>& rows,
                Status& st);
    bool InsertRow(const QString& ns, CMDBRecord doc, Status& st);
    // The stored body of the row, read whole; an SQLite result code.
    int ReadBody(sqlite3_int64 rowid, std::vector<std::uint8_t>& body) {
        sqlite3_blob* blob = nullptr;
        int rc = sqlite3_blob_open(m_db, "main", "documents", "body", rowid, 0, &blob);
        if (rc == SQLITE_OK) {
            body.resize(static_cast<std::size_t>(sqlite3_blob_bytes(blob)));
            rc = sqlite3_blob_read(blob, body.data(), static_cast<int>(body.size()), 0);
        }
        sqlite3_blob_close(blob);
        return rc;
    }
    bool CheckNamespace(const QString& ns, Status& st);
    // With shmMapped false (before the connection is open), only the marks are checked.
    bool CheckFiles(Status& st, bool shmMapped = true);

    // SQLite's count of changes to the file, by this connection or any other; 0 if unknown.
    std::int64_t DataVersion() {
        unsigned int version = 0;
        return sqlite3_file_control(m_db, "main", SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK
                   ? static_cast<std::int64_t>(version) + 1
                   : 0;
    }

    // Buffers of large documents kept between saves beyond this size are given back.
    static constexpr std::size_t kKeptBytes = std::size_t{32} << 20;

    QString m_path;
    sqlite3* m_db = nullptr;
    // Collections whose changes need not survive a power loss (locks), and whether the
    // connection syncs at each commit now / has committed anything else.
    QSet<QString> m_volatile;
    bool m_syncFull = true;
    bool m_wroteDurable = false;
    // Largest size of the -shm file seen while this connection has it mapped.
    off_t m_shmSize = 0;
    std::mutex m_mutex;
    // The document the last save wrote (valid while the data version is unchanged), and the
    // buffer the next one is built in.
    struct LastWritten {
        bool valid = false;
        sqlite3_int64 rowid = 0;
        QString ns;
        std::int64_t dataVersion = 0;
        std::vector<std::uint8_t> body;
    } m_last;
    std::vector<std::uint8_t> m_next;
};

bool EmbeddedStore::Fail(Status& st, int rc, const QString& what) {
    const QString detail =
        m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return st.Fail(QStringLiteral("The embedded store %1 is locked by another program; "
                                      "waited %2 s for it to finish writing, could not %3. "
                                      "Try again later.")
                           .arg(m_path, QString::number(kBusyTimeoutMs / 1000), what),
                       rc);
    case SQLITE_READONLY:
        return st.Fail(
            QStringLiteral("The embedded store %1 is read-only; could not %2.").arg(m_path, what),
            rc);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return st.Fail(QStringLiteral("The file %1 is not an embedded store or is damaged (%2).")
                           .arg(m_path, detail),
                       rc);
    case SQLITE_FULL:
        return st.Fail(QStringLiteral("The disk holding the embedded store %1 is full; could "
                                      "not %2.")
                           .arg(m_path, what),
                       rc);
    default:
        return st.Fail(
            QStringLiteral("The embedded store %1 could not %2: %3").arg(m_path, what, detail), rc);
    }
}

bool EmbeddedStore::Exec(const char* sql, Status& st, const QString& what) {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK || Fail(st, rc, what);
}

bool EmbeddedStore::Open(Status& st) {
    std::lock_guard lock(m_mutex);
    if (m_db)
        return true;
    // Two programs opening a new store at once: switching it to WAL needs the file to itself,
    // and SQLite says busy at once there instead of waiting in its busy handler.
    QElapsedTimer waited;
    waited.start();
    int pauseMs = 5;
    for (;;) {
        Status attempt;
        if (OpenOnce(attempt))
            return true;
        const int code = attempt.code & 0xff;
        if ((code != SQLITE_BUSY && code != SQLITE_LOCKED) || waited.elapsed() >= kBusyTimeoutMs) {
            st = attempt;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        pauseMs = std::min(pauseMs * 2, 250);
    }
}

bool EmbeddedStore::OpenOnce(Status& st) {
    if (m_path.isEmpty())
        return st.Fail(QStringLiteral("The embedded store needs a file: embedded:<path>."));
    const QFileInfo info(m_path);
    // SQLite opens no path longer than this (nor one its WAL name would make longer).
    constexpr qsizetype kMaxPathBytes = 500;
    const qsizetype pathBytes = QFile::encodeName(info.absoluteFilePath()).size();
    if (pathBytes > kMaxPathBytes)
        return st.Fail(
            QStringLiteral("The path of the embedded store %1 is %2 bytes long; at "
                           "most %3 are possible.")
                .arg(m_path, QString::number(pathBytes), QString::number(kMaxPathBytes)));
    if (!info.absoluteDir().exists())
        return st.Fail(
            QStringLiteral("The folder of the embedded store %1 does not exist.").arg(m_path));
    if (info.exists()) {
        if (info.isDir())
            return st.Fail(
                QStringLiteral("The embedded store %1 is a folder, not a file.").arg(m_path));
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return st.Fail(QStringLiteral("The embedded store %1 cannot be read: %2")
                               .arg(m_path, file.errorString()));
        const QByteArray head = file.read(16);
        // Check before SQLite touches the file: a foreign file must stay as it is.
        if (!head.isEmpty() && head != QByteArray("SQLite format 3\0", 16))
            return st.Fail(QStringLiteral("The file %1 is not an embedded store.").arg(m_path));
        if (::access(QFile::encodeName(m_path).constData(), W_OK) != 0)
            return st.Fail(QStringLiteral("The embedded store %1 is read-only.").arg(m_path));
    }

    if (!info.exists()) {
        // The store holds e-script logon passwords: create it readable by its user only. SQLite
        // gives its WAL and shared-memory files the mode of the store file.
        const int fd = ::open(QFile::encodeName(m_path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
        else if (errno != EEXIST)
            return st.Fail(QStringLiteral("The embedded store %1 cannot be created: %2")
                               .arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    m_shmSize = 0;
    if (!CheckFiles(st, false))
        return false;
    int rc = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        Fail(st, rc, QStringLiteral("be opened"));
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);

    auto close = [this] {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    };
    int tables = 0;
    bool ours = false;
    {
        Statement count(m_db, "SELECT count(*), "
                              "sum(name = 'xal_meta') FROM sqlite_master WHERE type = 'table'");
        if (!count.Ok())
            return Fail(st, count.PrepareCode(), QStringLiteral("be read")) || close();
        rc = count.Step();
        if (rc != SQLITE_ROW)
            return Fail(st, rc, QStringLiteral("be read")) || close();
        tables = sqlite3_column_int(count.Get(), 0);
        ours = sqlite3_column_int(count.Get(), 1) > 0;
    }
    if (tables > 0 && ours) {
        Statement format(m_db, "SELECT value FROM xal_meta WHERE name = 'format'");
        ours = format.Ok() && format.Step() == SQLITE_ROW &&
               qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(format.Get(), 0)),
                       kFormatName) == 0;
    }
    if (tables > 0 && !ours) {
        st.Fail(QStringLiteral("The file %1 is a database of another program, not an embedded "
                               "store.")
                    .arg(m_path));
        return close();
    }
    if (!Exec("PRAGMA journal_mode=WAL", st, QStringLiteral("be opened")) ||
        // Every commit is synced, so that a saved change survives a power loss; changes of
        // volatile collections only are not (see Begin).
        !Exec("PRAGMA synchronous=FULL", st, QStringLiteral("be opened")) ||
        // An e-script document may take megabytes: keep a whole one in the page cache, so that a
        // save reads its pages from the file once and the write compares against them in memory.
        !Exec("PRAGMA cache_size=-32768", st, QStringLiteral("be opened")))
        return close();
    m_syncFull = true;
    if (tables == 0) {
        if (!Begin(st))
            return close();
        // Another process may have created the store meanwhile.
        const char* create =
            "CREATE TABLE IF NOT EXISTS xal_meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
            "INSERT OR IGNORE INTO xal_meta VALUES('format', 'xal-embedded-store');"
            "INSERT OR IGNORE INTO xal_meta VALUES('version', '1');"
            "CREATE TABLE IF NOT EXISTS documents(ns TEXT NOT NULL, id_key BLOB NOT NULL, "
            "body BLOB NOT NULL, UNIQUE(ns, id_key));";
        if (!Exec(create, st, QStringLiteral("be created")) || !Commit(st)) {
            Rollback();
            return close();
        }
    }
    return true;
}

bool EmbeddedStore::CheckNamespace(const QString& ns, Status& st) {
    if (!m_db)
        return st.Fail(QStringLiteral("Not connected to the database."));
    QByteArray db;
    QByteArray coll;
    if (!SplitNamespace(ns, db, coll))
        return st.Fail(QStringLiteral("The namespace '%1' is not valid.").arg(ns));
    return CheckFiles(st);
}

// SQLite maps the -shm file and writes to it for every read and write. A write to a page of
// that mapping ends the process with SIGBUS when the file was made immutable or append-only
// (chattr) or truncated by another program after it was mapped; such a store is refused here,
// before SQLite touches it, with the cause.
bool EmbeddedStore::CheckFiles(Status& st, bool shmMapped) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const QByteArray path = QFile::encodeName(m_path) + suffix;
        // statx, not open: closing any descriptor of these files would drop the POSIX locks
        // SQLite holds on them in this process.
        struct statx info = {};
        if (::statx(AT_FDCWD, path.constData(), 0, STATX_SIZE, &info) != 0)
            continue; // -wal and -shm come and go with the connections
        const std::uint64_t marks = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
        const QString name = QFile::decodeName(path);
        if ((info.stx_attributes & info.stx_attributes_mask & marks) != 0)
            return st.Fail(QStringLiteral("The embedded store file %1 is marked immutable or "
                                          "append-only (chattr), so it is read-only even to its "
                                          "owner; the store cannot be used until the mark is "
                                          "removed.")
                               .arg(name));
        if (shmMapped && std::strcmp(suffix, "-shm") == 0 && (info.stx_mask & STATX_SIZE) != 0) {
            const auto size = static_cast<off_t>(info.stx_size);
            if (size < m_shmSize)
                return st.Fail(QStringLiteral("The embedded store file %1 was truncated by "
                                              "another program while this program had the store "
                                              "open; close every program using the store and "
                                              "open it again.")
                                   .arg(name));
            m_shmSize = size;
        }
    }
    return true;
}

bool EmbeddedStore::Select(const QString& ns, const CMDBRecord& query, int limit,
                           std::vector<Row>& rows, Status& st) {
    QString error;
    if (!CheckQuery(query, error))
        return st.Fail(error, 2);
    // A plain _id equality reads one row by key instead of scanning the collection.
    const Value* id = RecordAccess::Find(query, QStringLiteral("_id"));
    const bool byKey = id && id->type != CMDBRecord::Type::Document &&
                       id->type != CMDBRecord::Type::Array && id->type != CMDBRecord::Type::Null;
    Statement stmt(m_db, byKey ? "SELECT rowid FROM documents WHERE ns = ?1 AND id_key = ?2"
                               : "SELECT rowid, body FROM documents WHERE ns = ?1 ORDER BY rowid");
    if (!stmt.Ok())
        return Fail(st, stmt.PrepareCode(), QStringLiteral("be read"));
    stmt.BindText(1, ns);
    if (byKey)
        stmt.Bind(2, IdKey(*id));
    int rc;
    while ((rc = stmt.Step()) == SQLITE_ROW) {
        Row row{sqlite3_column_int64(stmt.Get(), 0), CMDBRecord()};
        bool read = false;
        if (byKey) {
            // The document asked for by its key goes from SQLite's pages straight into the
            // record's buffer, without the copy a column read would make first.
            std::vector<std::uint8_t> body;
            if (const int blobRc = ReadBody(row.rowid, body); blobRc != SQLITE_OK)
                return Fail(st, blobRc, QStringLiteral("be read"));
            read = RecordAccess::FromBsonBytes(std::move(body), row.doc);
        } else {
            const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt.Get(), 1));
            const int size = sqlite3_column_bytes(stmt.Get(), 1);
            read = CMDBRecord::FromBson(data, static_cast<std::size_t>(size), row.doc);
        }
        if (!read)
            return st.Fail(QStringLiteral("A document of %1 in the embedded store %2 is damaged.")
                               .arg(ns, m_path));
        // Matched on a copy sharing the bytes: matching decodes the top level, and the document
        // handed out stays its stored bytes (checked and copied as they are, decoded on demand).
        if (!Matches(CMDBRecord(row.doc), query))
            continue;
        rows.push_back(std::move(row));
        if (limit > 0 && static_cast<int>(rows.size()) >= limit)
            return true;
    }
    return rc == SQLITE_DONE || Fail(st, rc, QStringLiteral("be read"));
}

bool EmbeddedStore::Find(const QString& ns, const CMDBRecord& query, const FindOptions& options,
                         CMDBRecordList& out, Status& st) {
    std::lock_guard lock(m_mutex);
    if (!CheckNamespace(ns, st))
        return false;
    std::vector<Row> rows;
    if (!Select(ns, query, options.limit, rows, st))
        return false;
    for (auto& row : rows) {
        if (options.fields && !options.fields->isEmpty())
            out.AddTail(Project(row.doc, *options.fields));
        else
            out.AddTail(std::move(row.doc));
    }
    return true;
}

bool EmbeddedStore::InsertRow(const QString& ns, CMDBRecord doc, Status& st) {
    QString error;
    if (!CheckStorableNames(doc, error))
        return st.Fail(error, 2);
    if (!doc.HasField(QStringLiteral("_id")))
        RecordAccess::Fields(doc).insert(RecordAccess::Fields(doc).begin(),
                                         Field{QStringLiteral("_id"), ObjectIdValue()});
    IdFirst(doc);
    RecordAccess::InvalidateIndex(doc);
    const Value* id = RecordAccess::Find(doc, QStringLiteral("_id"));
    if (id->type == CMDBRecord::Type::Array)
        return st.Fail(QStringLiteral("The _id of a document cannot be an array."), 2);
    const auto body = doc.ToBson();
    if (body.empty() || body.size() > static_cast<std::size_t>(kMaxDocumentBytes))
        return st.Fail(QStringLiteral("The document is larger than 16 MB."), 10334);
    Statement stmt(m_db, "INSERT INTO documents(ns, id_key, body) VALUES(?1, ?2, ?3)");
    if (!stmt.Ok())
        return Fail(st, stmt.PrepareCode(), QStringLiteral("store the document"));
    stmt.BindText(1, ns);
    stmt.Bind(2, IdKey(*id));
    stmt.Bind(3, body);
    const int rc = stmt.Step();
    if ((rc & 0xff) == SQLITE_CONSTRAINT) {
        st.duplicateKey = true;
        return st.Fail(QStringLiteral("E11000 duplicate key error collection: %1 index: _id_ "
                                      "dup key: %2")
                           .arg(ns, IdText(*id)),
                       kDuplicateKeyCode);
    }
    return rc == SQLITE_DONE || Fail(st, rc, QStringLiteral("store the document"));
}

bool EmbeddedStore::Insert(const QString& ns, const CMDBRecord& document, Status& st) {
    std::lock_guard lock(m_mutex);
    if (!CheckNamespace(ns, st) || !Begin(ns, st))
        return false;
    if (!InsertRow(ns, document, st)) {
        Rollback();
        return false;
    }
    if (!Commit(st)) {
        Rollback();
        return false;
    }
    return true;
}

bool EmbeddedStore::Update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update,
                           bool upsert, bool multi, Status& st, std::int64_t* matched) {
    std::lock_guard lock(m_mutex);
    if (!CheckNamespace(ns, st))
        return false;
    const auto& ops = RecordAccess::Fields(update);
    const bool replacement = ops.empty() || !ops.front().name.startsWith(u'$');
    if (replacement && multi)
        return st.Fail(QStringLiteral("A multi update cannot replace whole documents."), 9);
    if (!Begin(ns, st))
        return false;
    auto fail = [this] {
        Rollback();
        return false;
    };
    QString error;
    std::vector<Row> rows;
    if (!Select(ns, query, multi ? 0 : 1, rows, st))
        return fail();
    if (replacement && !CheckStorableNames(update, error)) {
        st.Fail(error, 2);
        return fail();
    }
    for (auto& row : rows) {
        CMDBRecord changed(row.doc);
        if (!ApplyUpdate(changed, update, error)) {
            st.Fail(error, 2);
            return fail();
        }
        if (changed == row.doc)
            continue;
        const auto body = changed.ToBson();
        if (body.empty() || body.size() > static_cast<std::size_t>(kMaxDocumentBytes)) {
            st.Fail(QStringLiteral("The updated document would be larger than 16 MB."), 10334);
            return fail();
        }
        Statement stmt(m_db, "UPDATE documents SET body = ?1 WHERE rowid = ?2");
        if (!stmt.Ok()) {
            Fail(st, stmt.PrepareCode(), QStringLiteral("store the change"));
            return fail();
        }
        stmt.Bind(1, body);
        stmt.Bind(2, row.rowid);
        const int rc = stmt.Step();
        if (rc != SQLITE_DONE) {
            Fail(st, rc, QStringLiteral("store the change"));
            return fail();
        }
    }
    if (rows.empty() && upsert) {
        CMDBRecord doc;
        if (!UpsertSeed(query, doc, error) || !ApplyUpdate(doc, update, error)) {
            st.Fail(error, 2);
            return fail();
        }
        if (!InsertRow(ns, std::move(doc), st))
            return fail();
    }
    if (!Commit(st))
        return fail();
    if (matched)
        *matched = static_cast<std::int64_t>(rows.size());
    return true;
}

bool EmbeddedStore::UpdateBson(const QString& ns, const CMDBRecord& query,
                               const std::uint8_t* update, std::size_t length, bool upsert,
                               bool multi, Status& st, std::int64_t* matched) {
    const auto& fields = RecordAccess::Fields(query);
    if (!upsert && !multi && fields.size() == 1 && fields.front().name == u"_id" &&
        fields.front().value.type == CMDBRecord::Type::String) {
        const Raw raw = UpdateRaw(ns, fields.front().value, update, length, st, matched);
        if (raw != Raw::NotHandled)
            return raw == Raw::Done;
    }
    CMDBRecord change;
    if (!CMDBRecord::FromBson(update, length, change))
        return st.Fail(QStringLiteral("The update is not a valid document."), 2);
    return Update(ns, query, change, upsert, multi, st, matched);
}

EmbeddedStore::Raw EmbeddedStore::UpdateRaw(const QString& ns, const Value& id,
                                            const std::uint8_t* update, std::size_t length,
                                            Status& st, std::int64_t* matched) {
    std::lock_guard lock(m_mutex);
    if (!CheckNamespace(ns, st) || !Begin(ns, st))
        return Raw::Failed;
    auto fail = [this] {
        Rollback();
        return Raw::Failed;
    };
    Statement select(m_db, "SELECT rowid FROM documents WHERE ns = ?1 AND id_key = ?2");
    if (!select.Ok()) {
        Fail(st, select.PrepareCode(), QStringLiteral("be read"));
        return fail();
    }
    select.BindText(1, ns);
    select.Bind(2, IdKey(id));
    const int rc = select.Step();
    if (rc == SQLITE_DONE) {
        Rollback();
        if (matched)
            *matched = 0;
        return Raw::Done;
    }
    if (rc != SQLITE_ROW) {
        Fail(st, rc, QStringLiteral("be read"));
        return fail();
    }
    const sqlite3_int64 rowid = sqlite3_column_int64(select.Get(), 0);

    // The stored document is read unless it is the one this store wrote last and the file
    // has not changed since (SQLite's data version counts every commit, ours and those of
    // other connections): a user saving the same large e-script again skips reading megabytes.
    const std::int64_t version = DataVersion();
    const bool known = m_last.valid && m_last.rowid == rowid && m_last.ns == ns && version != 0 &&
                       m_last.dataVersion == version;
    m_last.valid = false;
    if (!known) {
        sqlite3_blob* blob = nullptr;
        int blobRc = sqlite3_blob_open(m_db, "main", "documents", "body", rowid, 0, &blob);
        if (blobRc == SQLITE_OK) {
            m_last.body.resize(static_cast<std::size_t>(sqlite3_blob_bytes(blob)));
            blobRc = sqlite3_blob_read(blob, m_last.body.data(),
                                       static_cast<int>(m_last.body.size()), 0);
        }
        sqlite3_blob_close(blob);
        if (blobRc != SQLITE_OK) {
            Fail(st, blobRc, QStringLiteral("be read"));
            return fail();
        }
    }
    std::vector<std::uint8_t>& body = m_next;
    if (!ApplyRawUpdate(m_last.body.data(), m_last.body.size(), update, length, body)) {
        Rollback();
        return Raw::NotHandled;
    }
    if (body.size() > static_cast<std::size_t>(kMaxDocumentBytes)) {
        st.Fail(QStringLiteral("The updated document would be larger than 16 MB."), 10334);
        return fail();
    }
    // An unchanged document costs no write: SQLite compares a body of the same size page by
    // page and writes only the pages that differ.
    Statement write(m_db, "UPDATE documents SET body = ?1 WHERE rowid = ?2");
    if (!write.Ok()) {
        Fail(st, write.PrepareCode(), QStringLiteral("store the change"));
        return fail();
    }
    write.BindStatic(1, body);
    write.Bind(2, rowid);
    const int written = write.Step();
    if (written != SQLITE_DONE) {
        Fail(st, written, QStringLiteral("store the change"));
        return fail();
    }
    if (!Commit(st))
        return fail();
    std::swap(m_last.body, m_next);
    m_last.rowid = rowid;
    m_last.ns = ns;
    m_last.dataVersion = DataVersion();
    m_last.valid = m_last.dataVersion != 0;
    if (m_next.capacity() > kKeptBytes)
        std::vector<std::uint8_t>().swap(m_next);
    if (matched)
        *matched = 1;
    return Raw::Done;
}

bool EmbeddedStore::Remove(const QString& ns, const CMDBRecord& query, bool justOne, Status& st) {
    std::lock_guard lock(m_mutex);
    if (!CheckNamespace(ns, st) || !Begin(ns, st))
        return false;
    std::vector<Row> rows;
    if (!Select(ns, query, justOne ? 1 : 0, rows, st)) {
        Rollback();
        return false;
    }
    for (const auto& row : rows) {
        Statement stmt(m_db, "DELETE FROM documents WHERE rowid = ?1");
        stmt.Bind(1, row.rowid);
        const int rc = stmt.Ok() ? stmt.Step() : stmt.PrepareCode();
        if (rc != SQLITE_DONE) {
            Fail(st, rc, QStringLiteral("remove the document"));
            Rollback();
            return false;
        }
    }
    if (!Commit(st)) {
        Rollback();
        return false;
    }
    return true;
}

namespace {

class EmbeddedConnection final : public Connection {
public:
    explicit EmbeddedConnection(std::shared_ptr<EmbeddedStore> store) : m_store(std::move(store)) {}
    void update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update, bool upsert,
                bool multi) override {
        Status st;
        if (!m_store->Update(ns, query, update, upsert, multi, st))
            throw CDbException(st.code ? st.code : 1, st.error);
    }

private:
    std::shared_ptr<EmbeddedStore> m_store; // shared: outlives the session if need be
};

class EmbeddedBackend final : public Backend {
public:
    explicit EmbeddedBackend(const QString& path)
        : m_store(std::make_shared<EmbeddedStore>(path)) {}

    bool Connect(Status& st) override { return m_store->Open(st); }
    void ReleaseMemory() override { m_store->ReleaseMemory(); }
    void SetVolatile(const QString& ns) override { m_store->SetVolatile(ns); }
    bool Authenticate(const QString&, const QString&, const QString&, Status& st) override {
        // The file's own permissions guard the embedded store; there are no accounts.
        return m_store->IsOpen() || st.Fail(QStringLiteral("Not connected to the database."));
    }
    [[nodiscard]] bool IsConnected() const override { return m_store->IsOpen(); }
    bool Find(const QString& ns, const CMDBRecord& query, const FindOptions& options,
              CMDBRecordList& out, Status& st) override {
        return m_store->Find(ns, query, options, out, st);
    }
    bool Insert(const QString& ns, const CMDBRecord& document, Status& st) override {
        return m_store->Insert(ns, document, st);
    }
    bool Update(const QString& ns, const CMDBRecord& query, const CMDBRecord& update, bool upsert,
                bool multi, Status& st, std::int64_t* matched) override {
        return m_store->Update(ns, query, update, upsert, multi, st, matched);
    }
    bool Remove(const QString& ns, const CMDBRecord& query, bool justOne, Status& st) override {
        return m_store->Remove(ns, query, justOne, st);
    }
    bool UpdateBson(const QString& ns, const CMDBRecord& query, const std::uint8_t* update,
                    std::size_t length, bool upsert, bool multi, Status& st,
                    std::int64_t* matched) override {
        return m_store->UpdateBson(ns, query, update, length, upsert, multi, st, matched);
    }
    std::unique_ptr<Connection> Acquire(Status& st) override {
        if (!m_store->IsOpen()) {
            st.Fail(QStringLiteral("Not connected to the database."));
            return nullptr;
        }
        return std::make_unique<EmbeddedConnection>(m_store);
    }

private:
    std::shared_ptr<EmbeddedStore> m_store;
};

} // namespace

std::unique_ptr<Backend> MakeEmbeddedBackend(const QString& path) {
    return std::make_unique<EmbeddedBackend>(path);
}

} // namespace xal::db
