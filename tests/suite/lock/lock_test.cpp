// Lock rules over a real embedded store: exclusion, release, takeover of dead or silent
// holders, and robustness against foreign lock documents.

#include "mongodb.h"
#include "xallock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {
const QString kNs = QStringLiteral("xaldata.locks");

class Locking : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db = std::make_unique<CMongoDB>(
            QStringLiteral("embedded:") + m_dir.filePath(QStringLiteral("suite.db")), QString());
        QString error;
        ASSERT_TRUE(m_db->Connect(error)) << error.toStdString();
    }

    // A manager for a holder whose clock is m_now and whose process probe says alive unless
    // listed in m_dead.
    std::unique_ptr<CLockManager> Manager(const QString& user, const QString& station,
                                          std::int64_t pid) {
        auto manager = std::make_unique<CLockManager>(*m_db, CLockHolder{user, station, pid});
        manager->m_now = [this] { return m_now; };
        manager->m_processExists = [this](std::int64_t p) { return p != m_deadPid; };
        return manager;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMongoDB> m_db;
    std::int64_t m_now = 1'000'000'000;
    std::int64_t m_deadPid = -1;
};

TEST_F(Locking, second_holder_is_refused_and_told_who_holds_until_release) {
    auto first = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    auto second = Manager(QStringLiteral("ben"), QStringLiteral("ws2"), 200);

    ZVLockInfo info;
    ASSERT_TRUE(first->Lock("abc", kLockKindEScript, &info));
    EXPECT_TRUE(first->Lock("abc", kLockKindEScript, &info)) << "holding again is no conflict";

    EXPECT_FALSE(second->Lock("abc", kLockKindEScript, &info));
    EXPECT_EQ(info.strUser, QStringLiteral("anna"));
    EXPECT_EQ(info.strStation, QStringLiteral("ws1"));
    EXPECT_TRUE(info.strError.isEmpty());

    // Other keys and the program-lock kind with the same name are independent.
    EXPECT_TRUE(second->Lock("abd", kLockKindEScript, &info));
    EXPECT_TRUE(second->Lock("abc", kLockKindProgram, &info));

    first->Unlock("abc", kLockKindEScript);
    EXPECT_FALSE(first->IsHeld("abc", kLockKindEScript));
    EXPECT_TRUE(second->Lock("abc", kLockKindEScript, &info));
}

TEST_F(Locking, destroying_the_manager_releases_its_locks) {
    auto first = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    ASSERT_TRUE(first->Lock("abc", kLockKindEScript, nullptr));
    first.reset();
    auto second = Manager(QStringLiteral("ben"), QStringLiteral("ws2"), 200);
    EXPECT_TRUE(second->Lock("abc", kLockKindEScript, nullptr));
}

TEST_F(Locking, dead_holder_on_the_same_station_is_taken_over_at_once) {
    auto dead = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    ASSERT_TRUE(dead->Lock("abc", kLockKindEScript, nullptr));
    m_deadPid = 100;

    // Another station cannot judge the process: it waits for the lease.
    auto remote = Manager(QStringLiteral("carl"), QStringLiteral("ws9"), 100);
    EXPECT_FALSE(remote->Lock("abc", kLockKindEScript, nullptr));

    auto local = Manager(QStringLiteral("ben"), QStringLiteral("ws1"), 200);
    ZVLockInfo info;
    ASSERT_TRUE(local->Lock("abc", kLockKindEScript, &info));

    // The old holder's late release must not free the new holder's lock.
    dead->Unlock("abc", kLockKindEScript);
    auto third = Manager(QStringLiteral("dora"), QStringLiteral("ws3"), 300);
    EXPECT_FALSE(third->Lock("abc", kLockKindEScript, &info));
    EXPECT_EQ(info.strUser, QStringLiteral("ben"));
}

TEST_F(Locking, lease_expires_without_heartbeat_and_renewal_keeps_it) {
    auto holder = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    auto other = Manager(QStringLiteral("ben"), QStringLiteral("ws2"), 200);
    ASSERT_TRUE(holder->Lock("abc", kLockKindEScript, nullptr));

    m_now += kLockLeaseMs - 1000;
    holder->Renew();
    m_now += kLockLeaseMs - 1000;
    EXPECT_FALSE(other->Lock("abc", kLockKindEScript, nullptr)) << "renewed holder keeps it";

    m_now += 2000; // now past the lease since the last renewal
    EXPECT_TRUE(other->Lock("abc", kLockKindEScript, nullptr));

    // The silent holder's renewal after losing the lock does not steal it back.
    holder->Renew();
    auto third = Manager(QStringLiteral("carl"), QStringLiteral("ws3"), 300);
    ZVLockInfo info;
    EXPECT_FALSE(third->Lock("abc", kLockKindEScript, &info));
    EXPECT_EQ(info.strUser, QStringLiteral("ben"));
}

TEST_F(Locking, own_process_id_left_by_an_earlier_process_is_reclaimed) {
    auto earlier = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    ASSERT_TRUE(earlier->Lock("abc", kLockKindEScript, nullptr));
    // A new process that got the same id on the same station.
    auto now = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    EXPECT_TRUE(now->Lock("abc", kLockKindEScript, nullptr));
}

TEST_F(Locking, foreign_lock_documents_never_crash) {
    const char* shapes[] = {
        R"({"_id": "1:k1"})",
        R"({"_id": "1:k2", "user": 5, "station": ["x"], "pid": "abc", "heartbeat": "soon"})",
        R"({"_id": "1:k3", "user": {"n": 1}, "token": 7, "heartbeat": {"$numberLong": "-5"}})",
    };
    auto manager = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    int index = 1;
    for (const char* json : shapes) {
        CMDBRecord doc;
        ASSERT_TRUE(CMDBRecord::FromJson(QString::fromUtf8(json), doc));
        ASSERT_TRUE(m_db->Insert(kNs, doc));
        const QByteArray key = "k" + QByteArray::number(index++);
        ZVLockInfo info;
        // A document without a live heartbeat is no live holder.
        EXPECT_TRUE(manager->Lock(key, kLockKindEScript, &info)) << json;
    }
}

TEST_F(Locking, unusable_database_is_an_error_not_a_holder) {
    CMongoDB broken(QStringLiteral("embedded:") +
                        m_dir.filePath(QStringLiteral("no/such/dir/x.db")),
                    QString());
    QString error;
    broken.Connect(error);
    CLockManager manager(broken, CLockHolder{QStringLiteral("anna"), QStringLiteral("ws1"), 1});
    ZVLockInfo info;
    EXPECT_FALSE(manager.Lock("abc", kLockKindEScript, &info));
    EXPECT_FALSE(info.strError.isEmpty());
    EXPECT_TRUE(info.strUser.isEmpty());
}

TEST_F(Locking, call_sites_fail_cleanly_without_a_manager) {
    ZVSetLockManager(nullptr);
    ZVLockInfo info;
    EXPECT_FALSE(ZVLock("abc", kLockKindEScript, &info));
    EXPECT_FALSE(info.strError.isEmpty());
    ZVUnlock("abc", kLockKindEScript); // no effect, no crash

    auto manager = Manager(QStringLiteral("anna"), QStringLiteral("ws1"), 100);
    ZVSetLockManager(manager.get());
    EXPECT_TRUE(ZVRegisterUniqueApplication(QStringLiteral("XAL Settings"), &info));
    auto other = Manager(QStringLiteral("ben"), QStringLiteral("ws2"), 200);
    EXPECT_FALSE(other->Lock("XAL Settings", kLockKindProgram, &info));
    ZVUnregisterApplication(QStringLiteral("XAL Settings"));
    EXPECT_TRUE(other->Lock("XAL Settings", kLockKindProgram, &info));
    manager.reset(); // detaches itself
    EXPECT_FALSE(ZVLock("abc", kLockKindEScript, &info));
}
} // namespace
