// Test IDs and test copies of e-scripts, against each database backend.

#include "mongodb.h"
#include "testmongoserver.h"
#include "toolstestsupport.h"
#include "xalcrypt.h"
#include "xaltools.h"

#include <QDir>
#include <QFile>

#include <future>
#include <set>
#include <vector>

namespace {

const QString kEscripts = QStringLiteral("xaldata.escript");
constexpr std::int64_t kMinute = 60 * 1000;

enum class Backend { Embedded, Wire };

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Embedded ? "embedded" : "wire";
}

// Runs against the embedded store, and against the wire test database with a logon whose
// password the access file holds encrypted.
class TestIds : public CSuiteTest, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        CSuiteTest::SetUp();
        UseHome();
        QString user;
        QString password;
        if (GetParam() == Backend::Embedded) {
            m_server = QStringLiteral("embedded:") + Home() + QStringLiteral("/store.db");
            WriteAccessFile(m_server);
        } else {
            xal::test::TestMongoServerOptions options;
            options.user = user = QStringLiteral("xaladmin");
            options.password = password = QStringLiteral("Pa$$ wört");
            m_wire = std::make_unique<xal::test::TestMongoServer>(options);
            QString error;
            ASSERT_TRUE(m_wire->Start(&error)) << error.toStdString();
            m_server = m_wire->ServerText();
            QByteArray encrypted;
            ASSERT_TRUE(EncryptStringW(password, kXalAccessKey, encrypted));
            WriteAccessFile(m_server, QString(), user, QString::fromLatin1(encrypted));
        }
        m_db = std::make_unique<CMongoDB>(m_server, QString());
        QString error;
        ASSERT_TRUE(m_db->Connect(error)) << error.toStdString();
        if (!user.isEmpty()) {
            ASSERT_TRUE(m_db->Authenticate(QStringLiteral("admin"), user, password, error))
                << error.toStdString();
        }
    }

    void StoreTestCopy(int number, std::int64_t ageMs) {
        CMDBRecord copy;
        copy.SetDateInMilliSecs(QStringLiteral("lastchanged"),
                                CMongoDB::GetCurrentDateInMilliSecs() - ageMs);
        copy.SetStr(QStringLiteral("_id"), QStringLiteral("xaltest%1").arg(number));
        copy.SetBool(QStringLiteral("test"), true);
        ASSERT_TRUE(m_db->Insert(kEscripts, copy));
    }
    bool Stored(const QString& id, CMDBRecord* out = nullptr) {
        CMDBRecord found;
        const bool ok = m_db->SeekReference(kEscripts, id, found);
        if (out != nullptr)
            *out = found;
        return ok;
    }
    int Count() {
        CMDBRecordList all;
        EXPECT_TRUE(m_db->SeekToList(kEscripts, CMDBRecord(), all));
        return all.GetCount();
    }

    std::unique_ptr<xal::test::TestMongoServer> m_wire;
    QString m_server;
    std::unique_ptr<CMongoDB> m_db;
};

TEST_P(TestIds, reservation_takes_the_first_free_number) {
    StoreTestCopy(1, 0);
    StoreTestCopy(3, 0);
    QString testId;
    ASSERT_TRUE(XALTCreateFreeTestID(testId));
    EXPECT_EQ(testId, QStringLiteral("xaltest2"));

    CMDBRecord reservation;
    ASSERT_TRUE(Stored(testId, &reservation));
    QStringList fields = reservation.GetFieldNames();
    fields.sort();
    EXPECT_EQ(fields, QStringList({QStringLiteral("_id"), QStringLiteral("lastchanged"),
                                   QStringLiteral("test")}));
    EXPECT_EQ(reservation.GetType(QStringLiteral("lastchanged")), CMDBRecord::Type::Date);
    EXPECT_EQ(reservation.GetType(QStringLiteral("test")), CMDBRecord::Type::Bool);
    EXPECT_TRUE(reservation.GetBool(QStringLiteral("test")));
    EXPECT_LE(std::abs(reservation.GetDateInMilliSecs(QStringLiteral("lastchanged")) -
                       CMongoDB::GetCurrentDateInMilliSecs()),
              kMinute);

    ASSERT_TRUE(XALTCreateFreeTestID(testId));
    EXPECT_EQ(testId, QStringLiteral("xaltest4"));
}

TEST_P(TestIds, stale_copies_are_removed_and_their_numbers_reused) {
    StoreTestCopy(1, 31 * kMinute);
    StoreTestCopy(2, 29 * kMinute);
    CMDBRecord oldScript; // an ordinary e-script, however old, is never touched
    oldScript.SetStr(QStringLiteral("_id"), QStringLiteral("xaltest9"));
    oldScript.SetDateInMilliSecs(QStringLiteral("lastchanged"), 0);
    ASSERT_TRUE(m_db->Insert(kEscripts, oldScript));

    QString testId;
    ASSERT_TRUE(XALTCreateFreeTestID(testId));
    EXPECT_EQ(testId, QStringLiteral("xaltest1"));
    EXPECT_TRUE(Stored(QStringLiteral("xaltest2")));
    EXPECT_TRUE(Stored(QStringLiteral("xaltest9")));
    EXPECT_EQ(Count(), 3);
}

TEST_P(TestIds, concurrent_reservations_get_different_ids) {
    constexpr int kCallers = 8;
    std::vector<std::future<std::pair<bool, QString>>> callers;
    std::promise<void> go;
    std::shared_future<void> start = go.get_future().share();
    for (int i = 0; i < kCallers; ++i) {
        callers.push_back(std::async(std::launch::async, [start] {
            start.wait();
            QString testId;
            const bool ok = XALTCreateFreeTestID(testId);
            return std::make_pair(ok, testId);
        }));
    }
    go.set_value();
    std::set<QString> ids;
    for (auto& caller : callers) {
        const auto [ok, testId] = caller.get();
        EXPECT_TRUE(ok);
        ids.insert(testId);
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kCallers));
    EXPECT_EQ(Count(), kCallers);
}

TEST_P(TestIds, no_connection_data_leaves_the_id_empty) {
    QFile::remove(CfgPath(QStringLiteral("zvaccess.cfg")));
    QString testId = QStringLiteral("previous");
    EXPECT_FALSE(XALTCreateFreeTestID(testId));
    EXPECT_TRUE(testId.isEmpty());
    EXPECT_FALSE(XALTestEScript(u"shop"));
}

class EScriptTest : public TestIds {
protected:
    void SetUp() override {
        TestIds::SetUp();
        m_argsDir = Home() + QStringLiteral("/args");
        ASSERT_TRUE(QDir().mkpath(m_argsDir));
        qputenv("XAL_ARGS_DIR", QFile::encodeName(m_argsDir));
        const QString browser = Home() + QStringLiteral("/browser");
        ASSERT_TRUE(QFile::link(QStringLiteral(XAL_ARGRECORDER), browser));
        qputenv("XAL_BROWSER", QFile::encodeName(browser) + " --new-window");

        CMDBRecord logon;
        logon.SetStr(QStringLiteral("user"), QStringLiteral("alice"));
        logon.SetLL(QStringLiteral("type"), 3);
        m_script.SetStr(QStringLiteral("_id"), QStringLiteral("shop"));
        m_script.SetStr(QStringLiteral("rooturl"), QStringLiteral("https://shop.example/"));
        m_script.SetInt(QStringLiteral("internetprotocol"), 1);
        m_script.SetLL(QStringLiteral("kernel"), 7);
        m_script.SetInt(QStringLiteral("active"), 0);
        m_script.SetInt(QStringLiteral("uselicense"), 1);
        m_script.SetRecord(QStringLiteral("logon"), logon);
        ASSERT_TRUE(m_db->Insert(kEscripts, m_script));
    }

    CMDBRecord m_script;
    QString m_argsDir;
};

TEST_P(EScriptTest, copy_is_stored_with_test_fields_and_opened_over_http) {
    WriteXalCfg(QStringLiteral("proxy.example:8080"));
    StoreTestCopy(1, 0);
    ASSERT_TRUE(XALTestEScript(u"shop"));

    CMDBRecord copy;
    ASSERT_TRUE(Stored(QStringLiteral("xaltest2"), &copy));
    EXPECT_EQ(copy.GetFieldNames().first(), QStringLiteral("_id"));
    EXPECT_EQ(copy.GetStr(QStringLiteral("rooturl")), QStringLiteral("https://shop.example/"));
    EXPECT_EQ(copy.GetLL(QStringLiteral("kernel")), 7);
    ASSERT_NE(copy.GetRecordPtr(QStringLiteral("logon")), nullptr);
    EXPECT_EQ(copy.GetRecordPtr(QStringLiteral("logon"))->GetLL(QStringLiteral("type")), 3);
    EXPECT_EQ(copy.GetType(QStringLiteral("test")), CMDBRecord::Type::Bool);
    EXPECT_TRUE(copy.GetBool(QStringLiteral("test")));
    EXPECT_EQ(copy.GetType(QStringLiteral("active")), CMDBRecord::Type::Int64);
    EXPECT_EQ(copy.GetLL(QStringLiteral("active")), 1);
    for (const char* name : {"uselicense", "userecording", "usepermission"}) {
        EXPECT_EQ(copy.GetType(QLatin1String(name)), CMDBRecord::Type::Bool) << name;
        EXPECT_FALSE(copy.GetBool(QLatin1String(name))) << name;
    }
    EXPECT_EQ(copy.GetType(QStringLiteral("lastchanged")), CMDBRecord::Type::Date);

    CMDBRecord original;
    ASSERT_TRUE(Stored(QStringLiteral("shop"), &original));
    EXPECT_TRUE(original == m_script);

    const auto browser = WaitForStart(m_argsDir, QStringLiteral("browser"));
    ASSERT_TRUE(browser.has_value());
    EXPECT_EQ(browser->args,
              QStringList({QStringLiteral("--new-window"),
                           QStringLiteral("http://proxy.example:8080/xal/xaltest2")}));
}

TEST_P(EScriptTest, unknown_script_stores_nothing_but_removes_stale_copies) {
    WriteXalCfg(QStringLiteral("proxy"));
    StoreTestCopy(1, 45 * kMinute);
    EXPECT_FALSE(XALTestEScript(u"no-such-script"));
    EXPECT_FALSE(XALTestEScript(nullptr));
    EXPECT_FALSE(Stored(QStringLiteral("xaltest1")));
    EXPECT_EQ(Count(), 1);
    EXPECT_FALSE(QFile::exists(m_argsDir + QStringLiteral("/browser.args")));
}

TEST_P(EScriptTest, without_a_proxy_server_the_copy_stays_but_nothing_opens) {
    EXPECT_FALSE(XALTestEScript(u"shop")); // no xal.cfg at all
    EXPECT_TRUE(Stored(QStringLiteral("xaltest1")));
    EXPECT_FALSE(QFile::exists(CfgPath(QStringLiteral("xal.cfg"))));

    ASSERT_TRUE(WriteTextFile(CfgPath(QStringLiteral("xal.cfg")), "[Settings]\nOther=1\n"));
    EXPECT_FALSE(XALTestEScript(u"shop"));
    EXPECT_TRUE(Stored(QStringLiteral("xaltest2")));

    // An empty server would make an address without a host.
    WriteXalCfg(QString());
    EXPECT_FALSE(XALTestEScript(u"shop"));
    EXPECT_TRUE(Stored(QStringLiteral("xaltest3")));
    EXPECT_FALSE(QFile::exists(m_argsDir + QStringLiteral("/browser.args")));
}

// The embedded store has no accounts; only the server can refuse a logon.
using WireLogon = TestIds;

TEST_P(WireLogon, wrong_password_is_no_connection) {
    QByteArray encrypted;
    ASSERT_TRUE(EncryptStringW(QStringLiteral("wrong"), kXalAccessKey, encrypted));
    WriteAccessFile(m_server, QString(), QStringLiteral("xaladmin"),
                    QString::fromLatin1(encrypted));
    QString testId;
    EXPECT_FALSE(XALTCreateFreeTestID(testId));
    EXPECT_TRUE(testId.isEmpty());
    EXPECT_EQ(Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, TestIds, ::testing::Values(Backend::Embedded, Backend::Wire),
                         BackendName);
INSTANTIATE_TEST_SUITE_P(Stores, WireLogon, ::testing::Values(Backend::Wire), BackendName);
INSTANTIATE_TEST_SUITE_P(Stores, EScriptTest, ::testing::Values(Backend::Embedded, Backend::Wire),
                         BackendName);

TEST(VerifyId, other_characters_become_dashes_and_letters_lower_case) {
    QString id = QStringLiteral("My Shop_DE-2");
    EXPECT_TRUE(XALTVerifyID(id));
    EXPECT_EQ(id, QStringLiteral("my-shop-de-2"));

    id = QStringLiteral("Größe/ä?x=1&y 🔑");
    EXPECT_TRUE(XALTVerifyID(id));
    EXPECT_EQ(id, QStringLiteral("gr--e---x-1-y--"));

    id.clear();
    EXPECT_FALSE(XALTVerifyID(id));
    EXPECT_TRUE(id.isEmpty());

    id = QString(5000, u'\0');
    EXPECT_TRUE(XALTVerifyID(id));
    EXPECT_EQ(id, QString(5000, u'-'));
}

} // namespace
