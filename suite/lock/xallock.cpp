#include "xallock.h"

#include "mongodb.h"

#include <QDateTime>
#include <QSysInfo>
#include <QUuid>

#include <cerrno>
#include <csignal>
#include <limits>
#include <pwd.h>
#include <unistd.h>

namespace {
const QString kLocksNs = QStringLiteral("xaldata.locks");

CMDBRecord ById(const QString& id) {
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), id);
    return query;
}

CMDBRecord ByToken(const QString& id, const QString& token) {
    CMDBRecord query = ById(id);
    query.SetStr(QStringLiteral("token"), token);
    return query;
}

bool ProcessExists(std::int64_t pid) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    // EPERM means it exists but belongs to someone else.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

QString CurrentUserName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

CLockManager* g_manager = nullptr;
} // namespace

CLockHolder CLockHolder::ThisProcess() {
    return CLockHolder{CurrentUserName(), QSysInfo::machineHostName(),
                       static_cast<std::int64_t>(::getpid())};
}

CLockManager::CLockManager(CMongoDB& db, CLockHolder self)
    : m_now([] { return QDateTime::currentMSecsSinceEpoch(); }), m_processExists(ProcessExists),
      m_db(db), m_self(std::move(self)) {
    // A lock outlives no power loss anyway: the processes holding it are gone then.
    m_db.SetVolatile(kLocksNs);
    m_heartbeat.setInterval(kLockHeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &CLockManager::Renew);
}

CLockManager::~CLockManager() {
    for (const auto& [id, token] : m_held)
        m_db.Remove(kLocksNs, ByToken(id, token), true);
    if (g_manager == this)
        g_manager = nullptr;
}

QString CLockManager::DocumentID(const QByteArray& key, int kind) {
    return QString::number(kind) + QLatin1Char(':') + QString::fromUtf8(key);
}

bool CLockManager::InsertLock(const QString& id, const QByteArray& key, int kind, QString& token) {
    token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    CMDBRecord doc = ById(id);
    doc.SetInt(QStringLiteral("kind"), kind);
    doc.SetStr(QStringLiteral("key"), QString::fromUtf8(key));
    doc.SetStr(QStringLiteral("user"), m_self.strUser);
    doc.SetStr(QStringLiteral("station"), m_self.strStation);
    doc.SetLL(QStringLiteral("pid"), m_self.nProcessID);
    doc.SetStr(QStringLiteral("token"), token);
    doc.SetLL(QStringLiteral("heartbeat"), m_now());
    return m_db.Insert(kLocksNs, doc);
}

bool CLockManager::Lock(const QByteArray& key, int kind, ZVLockInfo* info) {
    ZVLockInfo local;
    ZVLockInfo& out = info ? *info : local;
    out = ZVLockInfo{};
    const QString id = DocumentID(key, kind);
    if (m_held.count(id))
        return true;

    // Later rounds follow the takeover of a dead holder's lock or its release meanwhile.
    for (int round = 0; round < 3; ++round) {
        QString token;
        if (InsertLock(id, key, kind, token)) {
            m_held[id] = token;
            if (!m_heartbeat.isActive())
                m_heartbeat.start();
            return true;
        }
        if (!m_db.LastErrorWasDuplicateKey()) {
            out.strError = m_db.GetLastError();
            return false;
        }
        CMDBRecord holder;
        if (!m_db.SeekFirst(kLocksNs, ById(id), holder)) {
            // Released between our insert and this read: try again.
            if (m_db.GetLastError().isEmpty())
                continue;
            out.strError = m_db.GetLastError();
            return false;
        }
        out.strUser = holder.GetStr(QStringLiteral("user"));
        out.strStation = holder.GetStr(QStringLiteral("station"));
        out.nProcessID = holder.GetLL(QStringLiteral("pid"));

        const bool sameStation = out.strStation == m_self.strStation;
        // On our own station a holder with our process id is a leftover of an earlier process
        // (ours is alive and holds nothing under this id), as is one whose process is gone.
        const bool holderGone = sameStation && (out.nProcessID == m_self.nProcessID ||
                                                !m_processExists(out.nProcessID));
        const bool expired = m_now() - holder.GetLL(QStringLiteral("heartbeat")) > kLockLeaseMs;
        if (!holderGone && !expired)
            return false;

        // Remove only the document read (by its token), so that a fresh document of another
        // taker is left alone. A document without a token is not ours to judge further.
        CMDBRecord stale = ById(id);
        if (holder.GetType(QStringLiteral("token")) == CMDBRecord::Type::String)
            stale.SetStr(QStringLiteral("token"), holder.GetStr(QStringLiteral("token")));
        if (!m_db.Remove(kLocksNs, stale, true)) {
            out.strError = m_db.GetLastError();
            return false;
        }
    }
    out.strError = QStringLiteral("the lock changed hands repeatedly");
    return false;
}

void CLockManager::Unlock(const QByteArray& key, int kind) {
    const auto it = m_held.find(DocumentID(key, kind));
    if (it == m_held.end())
        return;
    m_db.Remove(kLocksNs, ByToken(it->first, it->second), true);
    m_held.erase(it);
    if (m_held.empty())
        m_heartbeat.stop();
}

bool CLockManager::IsHeld(const QByteArray& key, int kind) const {
    return m_held.count(DocumentID(key, kind)) != 0;
}

void CLockManager::Renew() {
    for (const auto& [id, token] : m_held) {
        CMDBRecord set;
        set.SetLL(QStringLiteral("heartbeat"), m_now());
        CMDBRecord update;
        update.SetRecord(QStringLiteral("$set"), set);
        m_db.Update(kLocksNs, ByToken(id, token), update);
    }
}

void ZVSetLockManager(CLockManager* manager) {
    g_manager = manager;
}

bool ZVLock(const QByteArray& key, int kind, ZVLockInfo* info) {
    if (!g_manager) {
        if (info)
            info->strError = QStringLiteral("no lock database");
        return false;
    }
    return g_manager->Lock(key, kind, info);
}

void ZVUnlock(const QByteArray& key, int kind) {
    if (g_manager)
        g_manager->Unlock(key, kind);
}

bool ZVRegisterUniqueApplication(const QString& name, ZVLockInfo* info) {
    return ZVLock(name.toUtf8(), kLockKindProgram, info);
}

void ZVUnregisterApplication(const QString& name) {
    ZVUnlock(name.toUtf8(), kLockKindProgram);
}
