// What only the embedded store has to get right: sharing one file, and refusing files it must
// not use without damaging them.

#include "store_test_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace storetest;

const QString kNs = QStringLiteral("xaldata.escript");

QByteArray FileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

CMDBRecord IdDoc(const QString& id) {
    CMDBRecord d;
    d.SetStr(S("_id"), id);
    return d;
}

TEST(EmbeddedStore, sessions_and_processes_share_one_file) {
    xal::test::TemporaryEmbeddedStore store;
    CMongoDB first(store.ServerText(), QString());
    CMongoDB second(store.ServerText(), QString());
    QString error;
    ASSERT_TRUE(first.Connect(error)) << error.toStdString();
    ASSERT_TRUE(second.Connect(error)) << error.toStdString();
    ASSERT_TRUE(QFile::exists(store.Path()));

    ASSERT_TRUE(first.Insert(kNs, IdDoc(S("a"))));
    CMDBRecord out;
    EXPECT_TRUE(second.SeekReference(kNs, S("a"), out));
    EXPECT_FALSE(second.Insert(kNs, IdDoc(S("a"))));
    EXPECT_TRUE(second.LastErrorWasDuplicateKey());

    // Two programs importing at the same time: every document arrives.
    QTemporaryDir dir;
    for (int p = 0; p < 2; ++p) {
        QFile f(dir.filePath(QStringLiteral("batch%1.json").arg(p)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QStringList docs;
        for (int i = 0; i < 40; ++i)
            docs.append(QStringLiteral("{\"_id\": \"p%1-%2\"}").arg(p).arg(i));
        f.write(('[' + docs.join(u',') + ']').toUtf8());
    }
    const QString command =
        QStringLiteral("%1 --server '%2' import xaldata.escript '%3' & "
                       "%1 --server '%2' import xaldata.escript '%4'; s=$?; wait $!; "
                       "exit $(( s + $? ))")
            .arg(S(XALDB_PROGRAM), store.ServerText(), dir.filePath(S("batch0.json")),
                 dir.filePath(S("batch1.json")));
    QString err;
    EXPECT_EQ(RunProgram({S("/bin/sh"), S("-c"), command}, nullptr, &err), 0) << err.toStdString();
    CMDBRecordList all;
    ASSERT_TRUE(first.SeekToList(kNs, CMDBRecord(), all));
    EXPECT_EQ(all.GetCount(), 81);
}

TEST(EmbeddedStore, large_documents_round_trip_and_oversized_ones_are_refused) {
    xal::test::TemporaryEmbeddedStore store;
    CMongoDB db(store.ServerText(), QString());
    QString error;
    ASSERT_TRUE(db.Connect(error)) << error.toStdString();
    CMDBRecord big = IdDoc(S("big"));
    big.SetStr(S("blob"), QString(10 * 1024 * 1024, u'\u00e9')); // 20 MB as UTF-16, 20 MB UTF-8
    EXPECT_FALSE(db.Insert(kNs, big));
    EXPECT_TRUE(db.GetLastError().contains(S("16 MB"))) << db.GetLastError().toStdString();
    big.SetStr(S("blob"), QString(10 * 1024 * 1024, u'x'));
    ASSERT_TRUE(db.Insert(kNs, big)) << db.GetLastError().toStdString();
    CMDBRecord out;
    ASSERT_TRUE(db.SeekReference(kNs, S("big"), out));
    EXPECT_EQ(out.GetStr(S("blob")).size(), 10 * 1024 * 1024);

    // An update that would outgrow the limit leaves the stored document as it was.
    CMDBRecord set;
    set.SetStr(S("more"), QString(7 * 1024 * 1024, u'y'));
    CMDBRecord update;
    update.SetRecord(S("$set"), set);
    EXPECT_FALSE(db.Update(kNs, IdDoc(S("big")), update));
    ASSERT_TRUE(db.SeekReference(kNs, S("big"), out));
    EXPECT_FALSE(out.HasField(S("more")));
}

TEST(EmbeddedStore, refuses_foreign_files_and_leaves_them_unchanged) {
    QTemporaryDir dir;
    const QString text = dir.filePath(S("notes.txt"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("just some text, certainly not a database\n");
    }
    const QByteArray textHash = FileHash(text);
    CMongoDB onText(S("embedded:") + text, QString());
    QString error;
    EXPECT_FALSE(onText.Connect(error));
    EXPECT_TRUE(error.contains(S("not an embedded store"))) << error.toStdString();
    EXPECT_EQ(FileHash(text), textHash);
    EXPECT_FALSE(onText.Insert(kNs, IdDoc(S("x"))));
    EXPECT_FALSE(onText.GetLastError().isEmpty());

    // A database of another program is not ours to convert.
    const QString other = dir.filePath(S("other.sqlite"));
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(other.toUtf8().constData(), &raw), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(raw, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(raw);
    const QByteArray otherHash = FileHash(other);
    CMongoDB onOther(S("embedded:") + other, QString());
    EXPECT_FALSE(onOther.Connect(error));
    EXPECT_TRUE(error.contains(S("another program"))) << error.toStdString();
    EXPECT_EQ(FileHash(other), otherHash);

    // A missing folder is reported, not created.
    CMongoDB inNowhere(S("embedded:") + dir.filePath(S("missing/store.xaldb")), QString());
    EXPECT_FALSE(inNowhere.Connect(error));
    EXPECT_TRUE(error.contains(S("does not exist"))) << error.toStdString();
    EXPECT_FALSE(QDir(dir.filePath(S("missing"))).exists());

    CMongoDB onFolder(S("embedded:") + dir.path(), QString());
    EXPECT_FALSE(onFolder.Connect(error));
    EXPECT_FALSE(error.isEmpty());
}

// Makes a file unwritable even for root (immutable flag), or by its mode for other users.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) : m_path(path.toLocal8Bit()) {
        if (::geteuid() != 0) {
            m_ok = ::chmod(m_path.constData(), 0444) == 0;
            return;
        }
        const int fd = ::open(m_path.constData(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_ok = m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~ReadOnlyFile() {
        if (m_immutable) {
            const int fd = ::open(m_path.constData(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        } else {
            ::chmod(m_path.constData(), 0644);
        }
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    [[nodiscard]] bool Ok() const { return m_ok; }

private:
    QByteArray m_path;
    bool m_ok = false;
    bool m_immutable = false;
};

TEST(EmbeddedStore, read_only_or_locked_store_gives_a_clear_error) {
    xal::test::TemporaryEmbeddedStore store;
    {
        CMongoDB db(store.ServerText(), QString());
        QString error;
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        ASSERT_TRUE(db.Insert(kNs, IdDoc(S("kept"))));
    }

    // Locked: another program holds the write lock longer than the busy timeout.
    {
        CMongoDB db(store.ServerText(), QString());
        QString error;
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        sqlite3* holder = nullptr;
        ASSERT_EQ(sqlite3_open(store.Path().toUtf8().constData(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        // A writer that finishes within the wait is waited for...
        std::thread release([holder] {
            std::this_thread::sleep_for(std::chrono::seconds(4));
            sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
        });
        EXPECT_TRUE(db.Insert(kNs, IdDoc(S("waited")))) << db.GetLastError().toStdString();
        release.join();
        // ...one that does not gives up saying what it waited for.
        ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(db.Insert(kNs, IdDoc(S("late"))));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        EXPECT_TRUE(db.GetLastError().contains(S("locked by another program; waited 30 s")))
            << db.GetLastError().toStdString();
        sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(holder);
        EXPECT_TRUE(db.Insert(kNs, IdDoc(S("late")))) << db.GetLastError().toStdString();
    }

    const QByteArray before = FileHash(store.Path());
    ReadOnlyFile readOnly(store.Path());
    if (!readOnly.Ok())
        GTEST_SKIP() << "this file system cannot make the store read-only";
    CMongoDB db(store.ServerText(), QString());
    QString error;
    EXPECT_FALSE(db.Connect(error));
    EXPECT_TRUE(error.contains(S("read-only"))) << error.toStdString();
    EXPECT_EQ(FileHash(store.Path()), before);
}

} // namespace

TEST(EmbeddedStoreFiles, store_and_its_wal_files_are_readable_by_their_user_only) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(S("private.db"));
    const mode_t old = ::umask(022);
    {
        CMongoDB db(S("embedded:") + path, QString());
        QString error;
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        ASSERT_TRUE(db.Insert(S("xaldata.escript"), IdDoc(S("secret"))));
        for (const char* suffix : {"", "-wal", "-shm"}) {
            struct stat st {};
            const QByteArray name = QFile::encodeName(path) + suffix;
            ASSERT_EQ(::stat(name.constData(), &st), 0) << name.constData();
            EXPECT_EQ(st.st_mode & 0777, 0600U) << name.constData();
        }
    }
    ::umask(old);
}

namespace {
// Sets or clears the immutable mark of a file; false where the caller may not (no root) or the
// file system has no such mark.
bool SetImmutable(const QByteArray& path, bool on) {
    const int fd = ::open(path.constData(), O_RDONLY);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0)
        ::close(fd);
    return ok;
}

CMDBRecord Change(const QString& value) {
    CMDBRecord set;
    set.SetStr(S("title"), value);
    CMDBRecord update;
    update.SetRecord(S("$set"), set);
    return update;
}
} // namespace

// A write to SQLite's mapped -shm file ends the process with SIGBUS once that file is truncated
// under it or, after its pages were written back, marked immutable: the change fails with the
// cause instead, and the store keeps what it had.
TEST(EmbeddedStoreFaults,
     truncated_or_immutable_shared_memory_file_fails_the_change_with_its_cause) {
    xal::test::TemporaryEmbeddedStore store;
    const QByteArray shm = QFile::encodeName(store.Path()) + "-shm";
    {
        CMongoDB db(store.ServerText(), QString());
        QString error;
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        ASSERT_TRUE(db.Insert(kNs, IdDoc(S("a"))));
        ASSERT_TRUE(db.Update(kNs, IdDoc(S("a")), Change(S("old"))));

        // Another program truncates the -shm file: no root needed.
        ASSERT_EQ(::truncate(shm.constData(), 0), 0);
        EXPECT_FALSE(db.Update(kNs, IdDoc(S("a")), Change(S("new"))));
        EXPECT_TRUE(db.GetLastError().contains(QFile::decodeName(shm) + S(" was truncated")))
            << db.GetLastError().toStdString();
        CMDBRecord out;
        EXPECT_FALSE(db.SeekReference(kNs, S("a"), out)); // a read would fault as well
    }
    CMongoDB reopened(store.ServerText(), QString());
    QString error;
    ASSERT_TRUE(reopened.Connect(error)) << error.toStdString();
    CMDBRecord out;
    ASSERT_TRUE(reopened.SeekReference(kNs, S("a"), out));
    EXPECT_EQ(out.GetStr(S("title")), S("old"));

    // The mark itself: the WAL checkpointed and every page written back, so that SQLite's next
    // change restarts the WAL with a write to a clean, now immutable page of the -shm file.
    ASSERT_TRUE(reopened.Update(kNs, IdDoc(S("a")), Change(S("older"))));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(store.Path().toUtf8().constData(), &other), SQLITE_OK);
    sqlite3_exec(other, "PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ::sync();
    std::vector<QByteArray> marked;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const QByteArray path = QFile::encodeName(store.Path()) + suffix;
        if (!SetImmutable(path, true))
            break;
        marked.push_back(path);
    }
    const bool allMarked = marked.size() == 3;
    if (allMarked) {
        EXPECT_FALSE(reopened.Update(kNs, IdDoc(S("a")), Change(S("new"))));
        EXPECT_TRUE(reopened.GetLastError().contains(S("is marked immutable")))
            << reopened.GetLastError().toStdString();
    }
    for (const QByteArray& path : marked)
        SetImmutable(path, false);
    if (!allMarked)
        GTEST_SKIP() << "marking the store files immutable needs root (CAP_LINUX_IMMUTABLE) and a "
                        "file system with the mark; the truncated -shm file was tested";
    ASSERT_TRUE(reopened.SeekReference(kNs, S("a"), out));
    EXPECT_EQ(out.GetStr(S("title")), S("older"));
}

TEST(EmbeddedStoreFiles, a_run_that_changed_only_volatile_records_leaves_the_wal) {
    xal::test::TemporaryEmbeddedStore store;
    const QString wal = store.Path() + S("-wal");
    const QString locks = S("xaldata.locks");
    QString error;
    {
        CMongoDB db(store.ServerText(), QString());
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        db.SetVolatile(locks);
        ASSERT_TRUE(db.Insert(locks, IdDoc(S("l1"))));
        ASSERT_TRUE(db.Insert(kNs, IdDoc(S("saved"))));
    }
    // Anything else changed: checkpointed on closing, the WAL removed as before.
    EXPECT_FALSE(QFile::exists(wal));
    {
        CMongoDB db(store.ServerText(), QString());
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        db.SetVolatile(locks);
        ASSERT_TRUE(db.Insert(locks, IdDoc(S("l2"))));
        ASSERT_TRUE(db.Remove(locks, IdDoc(S("l1")), true));
    }
    EXPECT_TRUE(QFile::exists(wal));
    // The next run reads what the WAL holds and still checkpoints after a durable change.
    {
        CMongoDB db(store.ServerText(), QString());
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        CMDBRecord out;
        EXPECT_TRUE(db.SeekReference(locks, S("l2"), out));
        EXPECT_FALSE(db.SeekReference(locks, S("l1"), out));
        EXPECT_TRUE(db.SeekReference(kNs, S("saved"), out));
        ASSERT_TRUE(db.Insert(kNs, IdDoc(S("saved2"))));
    }
    EXPECT_FALSE(QFile::exists(wal));
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(store.Path().toUtf8().constData(), &raw), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(raw, "PRAGMA integrity_check", nullptr, nullptr, &message), SQLITE_OK);
    sqlite3_free(message);
    sqlite3_close(raw);
}
