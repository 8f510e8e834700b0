#pragma once
// Cross-process locks of the suite, kept as documents of collection "xaldata.locks" in the
// suite's database, so that processes on different stations exclude each other.
//
// A lock document: {_id: "<kind>:<key>", kind, key, user, station, pid, token, heartbeat}.
// Taking a lock inserts that document (a duplicate _id means it is held). The holder renews
// "heartbeat" every kLockHeartbeatMs while it runs. A lock whose holder is gone is taken over:
// the holder's process no longer exists on this station, or its heartbeat is older than
// kLockLeaseMs. Takeover removes the document by its old token and inserts a new one, so of two
// processes taking over at once only one wins.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>

class CMongoDB;

constexpr int kLockHeartbeatMs = 15000;
constexpr std::int64_t kLockLeaseMs = 60000;
constexpr int kLockKindEScript = 1;
constexpr int kLockKindProgram = 0; // program locks (ZVRegisterUniqueApplication)

struct ZVLockInfo {
    QString strUser;    // holder's user name
    QString strStation; // holder's station (host name)
    std::int64_t nProcessID = 0;
    QString strError; // set when the database could not be asked; then nobody is named
};

// Who this process is, as written into its lock documents. Tests replace it.
struct CLockHolder {
    QString strUser;
    QString strStation;
    std::int64_t nProcessID = 0;

    static CLockHolder ThisProcess();
};

class CLockManager final : public QObject {
    Q_OBJECT
public:
    // db is not owned and must outlive the manager.
    explicit CLockManager(CMongoDB& db, CLockHolder self = CLockHolder::ThisProcess());
    ~CLockManager() override; // releases every lock still held
    Q_DISABLE_COPY_MOVE(CLockManager)

    // True when this process now holds the lock (also when it held it already). False when
    // another live holder has it (info names it) or the database failed (info.strError).
    bool Lock(const QByteArray& key, int kind, ZVLockInfo* info);
    void Unlock(const QByteArray& key, int kind);
    [[nodiscard]] bool IsHeld(const QByteArray& key, int kind) const;

    // Renews the heartbeat of every held lock; the timer calls it.
    void Renew();

    // Clock and process probe, replaceable for tests.
    std::function<std::int64_t()> m_now;
    std::function<bool(std::int64_t pid)> m_processExists;

    static QString DocumentID(const QByteArray& key, int kind);

private:
    bool TryTakeOver(const QString& id, const QByteArray& key, int kind);
    bool InsertLock(const QString& id, const QByteArray& key, int kind, QString& token);

    CMongoDB& m_db; // Not owned.
    CLockHolder m_self;
    std::map<QString, QString> m_held; // document ID -> token
    QTimer m_heartbeat;
};

// The suite's call sites: they work on the process's lock manager, set once the database is
// open. Without one, every lock request fails with an error text.
void ZVSetLockManager(CLockManager* manager); // not owned
bool ZVLock(const QByteArray& key, int kind, ZVLockInfo* info);
void ZVUnlock(const QByteArray& key, int kind);
bool ZVRegisterUniqueApplication(const QString& name, ZVLockInfo* info);
void ZVUnregisterApplication(const QString& name);
