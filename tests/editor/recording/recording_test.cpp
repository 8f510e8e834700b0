// The test command and domain exclusion against the embedded store; the recording session and
// the recording window's placement.

#include "dialrecording.h"
#include "domainexclusion.h"
#include "messages.h"
#include "mongodb.h"
#include "recordingsession.h"
#include "scriptmodel.h"
#include "scripttest.h"
#include "toolstestsupport.h"
#include "xallock.h"
#include "xalstrings.h"

#include <thread>

namespace {

const QString kEscripts = QStringLiteral("xaldata.escript");
const QString kSettings = QStringLiteral("xaldata.settings");

class RecordingAreaTest : public CSuiteTest {
protected:
    void SetUp() override {
        CSuiteTest::SetUp();
        UseHome();
        const QString server = QStringLiteral("embedded:") + Home() + QStringLiteral("/store.db");
        WriteAccessFile(server);
        m_db = std::make_unique<CMongoDB>(server, QString());
        QString error;
        ASSERT_TRUE(m_db->Connect(error)) << error.toStdString();
        m_locks = std::make_unique<CLockManager>(
            *m_db, CLockHolder{QStringLiteral("anna"), QStringLiteral("ws-1"), ::getpid()});
        ZVSetLockManager(m_locks.get());
    }
    void TearDown() override { ZVSetLockManager(nullptr); }

    CMDBRecord Find(const QString& ns, const QString& id) {
        CMDBRecord query;
        query.SetStr(QStringLiteral("_id"), id);
        CMDBRecordList found;
        EXPECT_TRUE(m_db->SeekToList(ns, query, found));
        return found.IsEmpty() ? CMDBRecord() : *found.GetAt(0);
    }

    std::unique_ptr<CMongoDB> m_db;
    std::unique_ptr<CLockManager> m_locks;
};

CScriptObj ScriptWithURLs(int count) {
    CScriptObj script;
    script.m_strRootURL = QStringLiteral("https://portal.example.com/");
    script.m_nInternetProtocol = kProtocolHttps;
    script.m_lstScripts.emplace_back();
    for (int i = 0; i < count; ++i) {
        CURLObj url;
        url.m_strServer = QStringLiteral("portal.example.com");
        url.m_nInternetProtocol = kProtocolHttps;
        url.m_strURL = QStringLiteral("/page%1").arg(i);
        script.m_lstScripts.front().m_lstURLs.push_back(url);
    }
    return script;
}

} // namespace

TEST_F(RecordingAreaTest, test_runs_store_copies_under_fresh_ids_and_open_the_proxy_address) {
    CMDBRecord stored;
    stored.SetStr(QStringLiteral("_id"), QStringLiteral("demo"));
    stored.SetStr(QStringLiteral("title"), QStringLiteral("Demo"));
    stored.SetLL(QStringLiteral("port"), 8443);
    ASSERT_TRUE(m_db->Insert(kEscripts, stored));

    QStringList opened;
    const auto open = [&](const QString& address) { opened.append(address); };
    const CScriptObj script = ScriptWithURLs(2);
    const CScriptTestRun first = RunScriptTest(m_db.get(), QStringLiteral("demo"), script,
                                               QStringLiteral("xal-gw:8080"), open);
    const CScriptTestRun second = RunScriptTest(m_db.get(), QStringLiteral("demo"), script,
                                                QStringLiteral("xal-gw:8080"), open);

    EXPECT_EQ(first.strTestID, QStringLiteral("xaltest1"));
    EXPECT_EQ(second.strTestID, QStringLiteral("xaltest2"));
    EXPECT_TRUE(first.bSaved);
    // http to the configured proxy server, even for an https e-script.
    EXPECT_EQ(opened, (QStringList{QStringLiteral("http://xal-gw:8080/xal/xaltest1"),
                                   QStringLiteral("http://xal-gw:8080/xal/xaltest2")}));
    const CMDBRecord copy = Find(kEscripts, QStringLiteral("xaltest1"));
    EXPECT_TRUE(copy.GetBool(QStringLiteral("test")));
    EXPECT_EQ(copy.GetLL(QStringLiteral("port")), 8443); // from the stored e-script
    EXPECT_EQ(copy.GetArrayPtr(QStringLiteral("urls"))->GetCount(), 2);
    EXPECT_FALSE(Find(kEscripts, QStringLiteral("demo")).HasField(QStringLiteral("test")));
}

TEST_F(RecordingAreaTest, test_run_without_urls_or_id_opens_nothing) {
    CMDBRecord stored;
    stored.SetStr(QStringLiteral("_id"), QStringLiteral("demo"));
    ASSERT_TRUE(m_db->Insert(kEscripts, stored));
    int opened = 0;
    const auto open = [&](const QString&) { ++opened; };
    const CScriptTestRun empty = RunScriptTest(m_db.get(), QStringLiteral("demo"),
                                               ScriptWithURLs(0), QStringLiteral("gw"), open);
    EXPECT_TRUE(empty.bSaved);
    EXPECT_TRUE(empty.strAddress.isEmpty());
    const CScriptTestRun noID =
        RunScriptTest(m_db.get(), QString(), ScriptWithURLs(1), QStringLiteral("gw"), open);
    EXPECT_TRUE(noID.strTestID.isEmpty());
    EXPECT_EQ(opened, 0);
}

TEST_F(RecordingAreaTest, exclusion_creates_the_local_list_and_refuses_a_duplicate) {
    CScriptedMessages messages;
    QStringList local{QStringLiteral("stale")};
    CDomainExclusion exclusion(messages, m_db.get(), local);
    const QString pattern = QStringLiteral(".*example.com.*");

    EXPECT_TRUE(exclusion.ExcludeDomain(QStringLiteral("www.example.com"), pattern));
    EXPECT_EQ(messages.Texts().front(), XalFormat(30, QStringLiteral("www.example.com")));
    EXPECT_EQ(local, QStringList{pattern});
    EXPECT_TRUE(
        exclusion.ExcludeDomain(QStringLiteral("cdn.other.org"), QStringLiteral(".*other.org.*")));

    messages.ClearTexts();
    EXPECT_FALSE(exclusion.ExcludeDomain(QStringLiteral("www.example.com"), pattern));
    EXPECT_EQ(messages.Texts().back(), XalFormat(53, QStringLiteral("www.example.com")));

    QStringList stored;
    ASSERT_TRUE(ReadLocalHiddenURLs(*m_db, stored));
    EXPECT_EQ(stored, (QStringList{pattern, QStringLiteral(".*other.org.*")}));
    // The program lock is given back every time.
    EXPECT_FALSE(m_locks->IsHeld(QByteArrayLiteral("XAL Settings"), kLockKindProgram));
}

TEST_F(RecordingAreaTest, exclusion_is_refused_while_settings_are_open_or_when_declined) {
    QStringList local;
    CScriptedMessages declined({MsgAnswer::No});
    EXPECT_FALSE(CDomainExclusion(declined, m_db.get(), local)
                     .ExcludeDomain(QStringLiteral("a.example"), QStringLiteral(".*example.*")));

    CLockManager other(*m_db, CLockHolder{QStringLiteral("maria"), QStringLiteral("ws-7"), 4242});
    ZVLockInfo info;
    ASSERT_TRUE(other.Lock(QByteArrayLiteral("XAL Settings"), kLockKindProgram, &info));
    CScriptedMessages messages;
    EXPECT_FALSE(CDomainExclusion(messages, m_db.get(), local)
                     .ExcludeDomain(QStringLiteral("a.example"), QStringLiteral(".*example.*")));
    ASSERT_EQ(messages.Texts().size(), 2);
    EXPECT_EQ(messages.Texts().back(),
              XalFormat(31, QStringLiteral("maria"), QStringLiteral("ws-7")));
    EXPECT_TRUE(Find(kSettings, QStringLiteral("hidden_urls_local")).IsEmpty());
    EXPECT_TRUE(local.isEmpty());
}

namespace {

// What the recorder would report for one request.
void Report(CRecordingSession& session, const std::string& url, const char* type = "text/html",
            std::uint32_t method = 0, const std::string& body = {}) {
    const bool https = url.rfind("https://", 0) == 0;
    const std::string rest = url.substr(https ? 8 : 7);
    const auto slash = rest.find('/');
    const std::string host = rest.substr(0, slash);
    const std::string path = rest.substr(slash);
    session.OnRecorded(1, (method | (https ? 0x1000u : 0u)) + 1, 200, host.c_str(), path.c_str(),
                       type, 80, reinterpret_cast<const unsigned char*>(body.data()),
                       static_cast<std::uint32_t>(body.size()));
}

QStringList URLs(const std::vector<CInsertURLObj>& queue) {
    QStringList urls;
    for (const auto& entry : queue)
        urls.append(entry.strURL);
    return urls;
}

} // namespace

TEST(RecordingPorts, configured_ports_join_the_http_list) {
    const auto configured = MakeProxyPortLists(QStringLiteral("8080"), QStringLiteral("8443"));
    EXPECT_EQ(configured.strHttp, QStringLiteral("8080,8443"));
    EXPECT_TRUE(configured.strHttps.isEmpty());
    const auto defaults = MakeProxyPortLists(QStringLiteral("0"), QStringLiteral("0"));
    EXPECT_EQ(defaults.strHttp, QStringLiteral("80"));
    EXPECT_EQ(defaults.strHttps, QStringLiteral("443"));
}

TEST(RecordingSession, queues_root_first_skips_its_first_echo_and_keeps_later_ones) {
    CRecordingSession session;
    session.Start(true, QStringLiteral("http://portal.example.com:8080/"), {}, {}, {});
    Report(session, "http://portal.example.com:8080/");
    Report(session, "http://portal.example.com:8080/login", "text/html", 1, "user=anna&pw=%C3%BC");
    Report(session, "http://portal.example.com:8080/");
    const auto queue = session.TakeQueue();
    ASSERT_EQ(queue.size(), 3u);
    EXPECT_EQ(queue[0].nPort, 8080);
    EXPECT_EQ(queue[1].nMethod, 1);
    EXPECT_EQ(queue[1].strPostData, QStringLiteral("user=anna&pw=%C3%BC"));
    EXPECT_EQ(queue[2].strURL, QStringLiteral("http://portal.example.com:8080/"));
    EXPECT_TRUE(session.TakeQueue().empty());
}

TEST(RecordingSession, filters_hidden_hosts_and_types_only_with_filtering) {
    const QStringList local{QStringLiteral(".*tracker.net.*")};
    const QStringList types{QStringLiteral("image/.*")};
    CRecordingSession filtered;
    filtered.Start(true, QStringLiteral("https://a.example/"), {}, local, types);
    Report(filtered, "https://CDN.Tracker.NET/pixel");
    Report(filtered, "https://a.example/logo.png", "image/png");
    Report(filtered, "https://a.example/home");
    EXPECT_EQ(URLs(filtered.TakeQueue()), (QStringList{QStringLiteral("https://a.example/"),
                                                       QStringLiteral("https://a.example/home")}));

    CRecordingSession unfiltered;
    unfiltered.Start(false, QStringLiteral("https://a.example/"), {}, local, types);
    Report(unfiltered, "https://cdn.tracker.net/pixel");
    Report(unfiltered, "https://a.example/logo.png", "image/png");
    EXPECT_EQ(unfiltered.TakeQueue().size(), 3u);
}

TEST(RecordingSession, pause_drops_requests_and_the_end_report_stops_it) {
    CRecordingSession session;
    int ended = 0;
    session.m_onEnded = [&] { ++ended; };
    session.Start(true, QStringLiteral("http://a.example/"), {}, {}, {});
    (void)session.TakeQueue();
    session.SetPaused(true);
    EXPECT_TRUE(session.IsStarted());
    EXPECT_FALSE(session.IsRunning());
    Report(session, "http://a.example/while-paused");
    session.SetPaused(false);
    Report(session, "http://a.example/after");
    EXPECT_EQ(URLs(session.TakeQueue()), QStringList{QStringLiteral("http://a.example/after")});

    session.OnRecorded(0, 0xFFFFFFFFu, 0, "", "", "", 0, nullptr, 0);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(session.IsStarted());
    Report(session, "http://a.example/late");
    EXPECT_TRUE(session.TakeQueue().empty());
}

TEST(RecordingSession, queue_hand_over_loses_nothing_while_the_recorder_reports) {
    CRecordingSession session;
    session.Start(false, QStringLiteral("http://a.example/"), {}, {}, {});
    constexpr int kReports = 5000;
    std::thread recorder([&] {
        for (int i = 0; i < kReports; ++i)
            Report(session, "http://a.example/p" + std::to_string(i));
    });
    std::vector<CInsertURLObj> taken;
    while (taken.size() < kReports + 1u) {
        auto part = session.TakeQueue();
        taken.insert(taken.end(), part.begin(), part.end());
        if (part.empty())
            std::this_thread::yield();
    }
    recorder.join();
    ASSERT_EQ(taken.size(), kReports + 1u);
    for (int i = 0; i < kReports; ++i)
        ASSERT_EQ(taken[i + 1].strURL, QStringLiteral("http://a.example/p%1").arg(i));
}

TEST(RecordingWindow, sits_at_the_right_bottom_of_the_available_area) {
    // A panel of 40 pixels at the bottom and one of 30 at the left are not available.
    const QRect available(30, 0, 1250, 984);
    EXPECT_EQ(CDialRecording::BottomRightPosition(available, QSize(400, 150)), QPoint(880, 834));
    // Larger than the area: the title bar stays reachable.
    EXPECT_EQ(CDialRecording::BottomRightPosition(available, QSize(2000, 1200)), QPoint(30, 0));
}
