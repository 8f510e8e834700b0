// The application object in this process: start-up against a temporary suite installation,
// then the account operations (save, domain question, properties, modified flag) with
// scripted answers.

#include "datadialogs.h"
#include "escriptlayout.h"
#include "escriptpropsdata.h"
#include "messages.h"
#include "mongodb.h"
#include "scriptview.h"
#include "testmongoserver.h"
#include "xalscripeditapp.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {
class AppSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QDir().mkpath(m_dir.filePath(QStringLiteral("system/cfg")));
        WriteFile(QStringLiteral("system/cfg/zvaccess.cfg"),
                  "[MongoDB]\nServer = embedded:" + m_dir.filePath("suite.db").toUtf8() + "\n");
        WriteFile(QStringLiteral("system/cfg/xal.cfg"), "[Settings]\nXalServer = proxy:8080\n");
        qputenv("ZVHOME", m_dir.path().toUtf8());
        qputenv("ZVLG", "en");

        m_db = std::make_unique<CMongoDB>(
            QStringLiteral("embedded:") + m_dir.filePath(QStringLiteral("suite.db")), QString());
        QString error;
        ASSERT_TRUE(m_db->Connect(error));
        Insert(escript::kNsEScript,
               R"({"_id": "abc", "title": "Shop", "rooturl": "www.shop.example/",
            "domainlist_available": ["shop.example"], "domainlist": ["shop.example"],
            "urls": [{"url": "/index.html", "method": 0, "server": "www.shop.example",
                      "internetprotocol": 0, "port": 0}]})");
        Insert(escript::kNsSettings, R"({"_id": "hidden_urls", "hidden_urls": ["ads.example"]})");
        Insert(escript::kNsSettings,
               R"({"_id": "hidden_urls_local", "hidden_urls": ["a.local", "b.local"]})");
    }

    void TearDown() override {
        m_app.reset();
        qunsetenv("ZVHOME");
        qunsetenv("ZVLG");
    }

    void WriteFile(const QString& name, const QByteArray& content) {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void Insert(const QString& ns, const char* json) {
        CMDBRecord doc;
        QString error;
        ASSERT_TRUE(CMDBRecord::FromJson(QString::fromUtf8(json), doc, &error))
            << error.toStdString();
        ASSERT_TRUE(m_db->Insert(ns, doc)) << m_db->GetLastError().toStdString();
    }

    CMDBRecord Stored() {
        CMDBRecord doc;
        m_db->SeekReference(escript::kNsEScript, QStringLiteral("abc"), doc);
        return doc;
    }

    bool Start(const QString& commandLine = QStringLiteral("/xalid:ABC")) {
        m_app = std::make_unique<CXALScripEditApp>(*qApp, m_messages, m_dialogs);
        return m_app->InitInstance(commandLine);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMongoDB> m_db;
    CScriptedMessages m_messages;
    CScriptedDialogs m_dialogs;
    std::unique_ptr<CXALScripEditApp> m_app;
};

TEST_F(AppSession, start_up_fills_key_values_title_settings_and_holds_the_lock) {
    ASSERT_TRUE(Start()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_EQ(m_app->GetXalID(), QStringLiteral("abc"));
    EXPECT_EQ(m_app->GetDocument()->XalID(), QStringLiteral("abc"));
    EXPECT_EQ(m_app->GetRootURL(), QStringLiteral("http://www.shop.example/"));
    EXPECT_EQ(m_app->GetLoadedRootURL(), QStringLiteral("www.shop.example/"));
    EXPECT_EQ(m_app->GetXalServer(), QStringLiteral("proxy:8080"));
    EXPECT_TRUE(m_app->IsLoaded());
    EXPECT_FALSE(m_app->IsModified());
    EXPECT_EQ(m_app->HiddenURLs(), QStringList{QStringLiteral("ads.example")});
    EXPECT_EQ(m_app->HiddenURLsLocal(),
              (QStringList{QStringLiteral("a.local"), QStringLiteral("b.local")}));
    ASSERT_NE(m_app->GetMainWindow(), nullptr);
    EXPECT_EQ(m_app->GetMainWindow()->windowTitle(),
              QStringLiteral("XAL Script Editor -  XALID: abc, title: Shop"));
    EXPECT_EQ(m_app->GetView()->GetMainView().Grid().GetRowCount(), 1);

    CMDBRecord lock;
    EXPECT_TRUE(
        m_db->SeekReference(QStringLiteral("xaldata.locks"), QStringLiteral("1:abc"), lock));
    m_app.reset();
    EXPECT_FALSE(
        m_db->SeekReference(QStringLiteral("xaldata.locks"), QStringLiteral("1:abc"), lock));
}

TEST_F(AppSession, modified_flag_is_shared_with_the_document) {
    ASSERT_TRUE(Start());
    m_app->SetModified(true);
    EXPECT_TRUE(m_app->IsModified());
    EXPECT_TRUE(m_app->GetDocument()->IsModified());
    m_app->SetModified(false);
    EXPECT_FALSE(m_app->GetDocument()->IsModified());
}

TEST_F(AppSession, domain_question_only_when_a_save_holds_more_domains_than_remembered) {
    ASSERT_TRUE(Start());
    m_messages.Queue(MsgAnswer::No);
    EXPECT_TRUE(m_app->SaveAccount());
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << "nothing was added since the load";

    m_app->GetView()->AddAvailableDomain(QStringLiteral("http://cdn.example/x.js"));
    m_app->SetModified(true);
    EXPECT_TRUE(m_app->SaveAccount());
    EXPECT_EQ(m_messages.Texts(), QStringList{XalString(56)});
    EXPECT_FALSE(m_app->IsModified());
    QStringList stored;
    Stored().DataToArrayObj(QStringLiteral("domainlist_available"), stored);
    EXPECT_EQ(stored, (QStringList{QStringLiteral("shop.example"), QStringLiteral("cdn.example")}));

    m_messages.ClearTexts();
    EXPECT_TRUE(m_app->SaveAccount());
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << "the saved domains are remembered now";
}

TEST_F(AppSession, save_and_close_writes_the_escript_and_closes_the_window) {
    ASSERT_TRUE(Start());
    ASSERT_FALSE(Stored().HasField(QStringLiteral("lastchanged")));
    m_app->SetModified(true);
    m_app->OnSaveAndClose();
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_FALSE(m_app->IsModified());
    EXPECT_FALSE(m_app->GetMainWindow()->isVisible());
    EXPECT_EQ(Stored().GetType(QStringLiteral("lastchanged")), CMDBRecord::Type::Date);
}

TEST_F(AppSession, failed_save_is_told_keeps_changes_and_does_not_close) {
    ASSERT_TRUE(Start());
    m_app->SetModified(true);
    CMDBRecord byId;
    byId.SetStr(QStringLiteral("_id"), QStringLiteral("abc"));
    ASSERT_TRUE(m_db->Remove(escript::kNsEScript, byId, true));

    EXPECT_FALSE(m_app->SaveAccount());
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(
        m_messages.Texts()[0].startsWith(QStringLiteral("The e-script could not be saved.")));
    EXPECT_TRUE(m_messages.Texts()[0].contains(QStringLiteral("'abc'")))
        << m_messages.Texts()[0].toStdString();
    EXPECT_TRUE(m_app->IsModified());
    EXPECT_TRUE(m_app->GetDocument()->IsModified());

    m_messages.ClearTexts();
    m_app->OnSaveAndClose();
    EXPECT_TRUE(m_app->GetMainWindow()->isVisible());
    EXPECT_EQ(m_messages.Texts().size(), 1);
}

TEST_F(AppSession, connection_dropped_during_the_save_is_told_and_the_escript_stays_modified) {
    // A server that drops the connection at the first update: the save's.
    xal::test::TestMongoServerOptions options;
    options.dropAfterUpdates = 0;
    xal::test::TestMongoServer server(options);
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    WriteFile(QStringLiteral("system/cfg/zvaccess.cfg"),
              "[MongoDB]\nServer = " + server.ServerText().toUtf8() + "\n");
    CMongoDB wire(server.ServerText(), QString());
    ASSERT_TRUE(wire.Connect(error)) << error.toStdString();
    CMDBRecord doc;
    ASSERT_TRUE(CMDBRecord::FromJson(Stored().ToJson(), doc));
    ASSERT_TRUE(wire.Insert(escript::kNsEScript, doc));

    ASSERT_TRUE(Start());
    m_app->SetModified(true);
    EXPECT_FALSE(m_app->SaveAccount());
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(
        m_messages.Texts()[0].startsWith(QStringLiteral("The e-script could not be saved.")))
        << m_messages.Texts()[0].toStdString();
    EXPECT_TRUE(m_app->IsModified());
    EXPECT_TRUE(m_app->GetDocument()->IsModified());
    ASSERT_EQ(server.ReadLog(QStringLiteral("update")).size(), 1u);
    EXPECT_TRUE(server.ReadLog(QStringLiteral("update")).front().dropped);

    // Nothing was stored, and the editor goes on: closing asks again and keeps the window.
    CMDBRecord after;
    ASSERT_TRUE(wire.SeekReference(escript::kNsEScript, QStringLiteral("abc"), after));
    EXPECT_FALSE(after.HasField(QStringLiteral("lastchanged")));
    m_messages.ClearTexts();
    m_app->OnSaveAndClose();
    EXPECT_TRUE(m_app->GetMainWindow()->isVisible());
    EXPECT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(m_app->IsModified());
}

TEST_F(AppSession, properties_with_unsaved_root_change_asks_and_no_keeps_everything) {
    ASSERT_TRUE(Start());
    m_app->GetDocument()->SetRootURL(QStringLiteral("http://www.other.example/"));
    m_messages.Queue(MsgAnswer::No);
    m_app->OnProperties();
    EXPECT_EQ(m_messages.Texts(), QStringList{XalString(51)});
    EXPECT_EQ(Stored().GetStr(QStringLiteral("rooturl")), QStringLiteral("www.shop.example/"));
    EXPECT_EQ(m_app->GetLoadedRootURL(), QStringLiteral("www.shop.example/"));
}

TEST_F(AppSession, start_up_failures_end_with_their_message_and_no_window) {
    m_messages.Queue(MsgAnswer::Ok);
    EXPECT_FALSE(Start(QStringLiteral("/xalid:none")));
    EXPECT_EQ(m_messages.Texts(),
              QStringList{QStringLiteral("No e-script with XAL ID 'none' found.")});
    EXPECT_EQ(m_app->GetMainWindow(), nullptr);
    m_app.reset();

    // Another process holds the e-script.
    CMDBRecord foreign;
    foreign.SetStr(QStringLiteral("_id"), QStringLiteral("1:abc"));
    foreign.SetStr(QStringLiteral("user"), QStringLiteral("maria"));
    foreign.SetStr(QStringLiteral("station"), QStringLiteral("ws-far-away"));
    foreign.SetLL(QStringLiteral("heartbeat"), CMongoDB::GetCurrentDateInMilliSecs());
    ASSERT_TRUE(m_db->Insert(QStringLiteral("xaldata.locks"), foreign));
    m_messages.ClearTexts();
    EXPECT_FALSE(Start());
    EXPECT_EQ(m_messages.Texts(),
              QStringList{XalFormat(24, QStringLiteral("abc"), QStringLiteral("maria"),
                                    QStringLiteral("ws-far-away"))});
    m_app.reset();
    CMDBRecord still;
    EXPECT_TRUE(
        m_db->SeekReference(QStringLiteral("xaldata.locks"), QStringLiteral("1:abc"), still))
        << "a refused editor leaves the holder's lock alone";

    // A bad access file: string 148 with the cause as its detail.
    WriteFile(QStringLiteral("system/cfg/zvaccess.cfg"), "Server = somewhere\n");
    m_messages.ClearTexts();
    EXPECT_FALSE(Start());
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(m_messages.Texts()[0].startsWith(XalString(148)))
        << m_messages.Texts()[0].toStdString();
    EXPECT_TRUE(m_messages.Texts()[0].contains(QStringLiteral("holds no section")))
        << m_messages.Texts()[0].toStdString();
    m_app.reset();
    // An embedded store path of 505 bytes: too long for the store, short enough for the
    // access file.
    const QByteArray folder = m_dir.path().toUtf8() + "/";
    WriteFile(QStringLiteral("system/cfg/zvaccess.cfg"), "[MongoDB]\nServer = embedded:" + folder +
                                                             QByteArray(502 - folder.size(), 'x') +
                                                             ".db\n");
    m_messages.ClearTexts();
    EXPECT_FALSE(Start());
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(m_messages.Texts()[0].contains(QStringLiteral("at most 500 are possible")))
        << m_messages.Texts()[0].toStdString();
}
} // namespace

namespace {
TEST_F(AppSession, missing_or_unreadable_configuration_file_leaves_the_proxy_empty) {
    const QString cfg = m_dir.filePath(QStringLiteral("system/cfg/xal.cfg"));
    ASSERT_TRUE(QFile::remove(cfg));
    ASSERT_TRUE(Start()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_TRUE(m_app->GetXalServer().isEmpty());
    m_app.reset();

    // A folder where the file should be cannot be read at all.
    QFile::remove(cfg);
    ASSERT_TRUE(QDir().mkpath(cfg));
    ASSERT_TRUE(Start()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_TRUE(m_app->GetXalServer().isEmpty());
    EXPECT_TRUE(m_messages.Texts().isEmpty());
}
} // namespace

namespace {
class FakeRecording final : public IRecordingController {
public:
    explicit FakeRecording(std::vector<QString>& log) : m_log(log) {}
    void CreateWindow() override { m_log.push_back(QStringLiteral("create window")); }
    void DestroyWindow() override { m_log.push_back(QStringLiteral("destroy window")); }
    void StartRecording(bool filtering) override {
        m_log.push_back(filtering ? QStringLiteral("record filtered")
                                  : QStringLiteral("record unfiltered"));
        m_running = true;
    }
    void StopRecording() override { m_running = false; }
    void TestScript() override {}
    [[nodiscard]] bool IsRunning() const override { return m_running; }
    [[nodiscard]] bool IsStarted() const override { return m_running; }
    [[nodiscard]] bool IsURLFiltering() const override { return true; }
    void ClearRunning() override { m_running = false; }
    void HiddenURLsChanged() override {}

private:
    std::vector<QString>& m_log;
    bool m_running = false;
};

TEST_F(AppSession, properties_changes_show_at_once_and_survive_the_next_save) {
    ASSERT_TRUE(Start());
    // The stored root URL is not the first URL of the main script; a save aligns the two, so
    // that the properties have nothing to ask first.
    ASSERT_TRUE(m_app->SaveAccount());
    // The dialog must work on the editor's own session, not on one it opens itself.
    ASSERT_TRUE(QFile::remove(m_dir.filePath(QStringLiteral("system/cfg/zvaccess.cfg"))));

    QString dialogID;
    m_dialogs.QueueProps([&](CEScriptPropsData& data) {
        dialogID = data.m_strID;
        data.m_strTitle = QStringLiteral("Shop two");
        data.m_strLogonUser = QStringLiteral("ulla");
        data.m_strLogonPW = QStringLiteral("s3cret");
        return true;
    });
    m_app->OnProperties();
    EXPECT_EQ(dialogID, QStringLiteral("abc"));
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_EQ(m_app->GetMainWindow()->windowTitle(),
              QStringLiteral("XAL Script Editor -  XALID: abc, title: Shop two"));
    EXPECT_EQ(m_app->GetLogonUser(), QStringLiteral("ulla"));

    // An edit and a save afterwards keep what the dialog stored, and a domain found since then
    // is still asked about: the reload replaced the remembered domains instead of adding to
    // them.
    m_app->GetView()->AddAvailableDomain(QStringLiteral("http://cdn.example/x.js"));
    m_app->SetModified(true);
    m_messages.Queue(MsgAnswer::No);
    ASSERT_TRUE(m_app->SaveAccount());
    EXPECT_EQ(m_messages.Texts(), QStringList{XalString(56)});
    const CMDBRecord stored = Stored();
    const CMDBRecord* logon = stored.GetRecordPtr(QStringLiteral("logon"));
    ASSERT_NE(logon, nullptr);
    EXPECT_EQ(logon->GetStr(QStringLiteral("user")), QStringLiteral("ulla"));
    EXPECT_EQ(logon->GetStr(QStringLiteral("pw")), QStringLiteral("s3cret"));
    EXPECT_EQ(stored.GetStr(QStringLiteral("title")), QStringLiteral("Shop two"));

    // With the stored values in the view, opening the properties again asks nothing first.
    m_messages.ClearTexts();
    m_dialogs.QueueProps([](CEScriptPropsData&) { return true; });
    m_app->OnProperties();
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_EQ(m_dialogs.Shown().size(), 2U);
}

TEST_F(AppSession, domain_list_edited_after_the_domain_question_is_not_undone_by_a_save) {
    ASSERT_TRUE(Start());
    m_app->GetView()->AddAvailableDomain(QStringLiteral("http://cdn.example/x.js"));
    m_app->SetModified(true);
    m_messages.Queue(MsgAnswer::Yes);
    m_dialogs.QueueProps([](CEScriptPropsData& data) {
        data.m_lstDomain = {QStringLiteral("shop.example"), QStringLiteral("cdn.example")};
        return true;
    });
    ASSERT_TRUE(m_app->SaveAccount());
    EXPECT_EQ(m_messages.Texts(), QStringList{XalString(56)});

    m_app->SetModified(true);
    ASSERT_TRUE(m_app->SaveAccount());
    QStringList domains;
    ASSERT_TRUE(Stored().DataToArrayObj(QStringLiteral("domainlist"), domains));
    EXPECT_EQ(domains,
              (QStringList{QStringLiteral("shop.example"), QStringLiteral("cdn.example")}));
}

TEST_F(AppSession, mode_switches_record_then_title_then_properties_and_exit_cleans_up_once) {
    std::vector<QString> log;
    m_app = std::make_unique<CXALScripEditApp>(*qApp, m_messages, m_dialogs);
    m_app->SetRecordingController(std::make_unique<FakeRecording>(log));
    m_dialogs.QueueProps([&](CEScriptPropsData&) {
        log.push_back(QStringLiteral("properties under ") + m_app->GetMainWindow()->windowTitle());
        return true;
    });
    ASSERT_TRUE(
        m_app->InitInstance(QStringLiteral("/MODE:SHOWPROPERTIES /xalid:abc /mode:recording")));
    const std::vector<QString> started{
        QStringLiteral("create window"), QStringLiteral("record filtered"),
        QStringLiteral("properties under XAL Script Editor -  XALID: abc, title: Shop")};
    EXPECT_EQ(log, started);
    // The view is filled in recording mode too, so a save keeps the stored main script.
    EXPECT_EQ(m_app->GetView()->GetMainView().Grid().GetRowCount(), 1);

    m_app->ExitInstance();
    m_app.reset();
    EXPECT_EQ(std::count(log.begin(), log.end(), QStringLiteral("destroy window")), 1);
    CMDBRecord lock;
    EXPECT_FALSE(
        m_db->SeekReference(QStringLiteral("xaldata.locks"), QStringLiteral("1:abc"), lock));
}

TEST_F(AppSession, recent_list_is_stored_at_start_and_left_to_later_editors_at_exit) {
    {
        QSettings settings;
        settings.remove(QStringLiteral("RecentXALScript"));
        settings.setValue(QStringLiteral("RecentXALScript/XALScript1"), QStringLiteral("zzz"));
        settings.setValue(QStringLiteral("RecentXALScript/XALScript2"), QStringLiteral("abc"));
    }
    const QString profile = QSettings().fileName();
    QFile::setPermissions(profile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    ASSERT_TRUE(Start());
    // The profile names the user's e-scripts: readable by the user only, folder included.
    EXPECT_EQ(QFile::permissions(profile) & 0x0077, 0);
    EXPECT_EQ(QFile::permissions(QFileInfo(profile).path()) & 0x0077, 0);
    {
        QSettings settings;
        EXPECT_EQ(settings.value(QStringLiteral("RecentXALScript/XALScript1")).toString(),
                  QStringLiteral("abc"));
        EXPECT_EQ(settings.value(QStringLiteral("RecentXALScript/XALScript2")).toString(),
                  QStringLiteral("zzz"));
        EXPECT_FALSE(settings.contains(QStringLiteral("RecentXALScript/XALScript3")));
        // An editor started from this one (New e-script) puts its ID on top meanwhile.
        settings.setValue(QStringLiteral("RecentXALScript/XALScript1"), QStringLiteral("new1"));
        settings.setValue(QStringLiteral("RecentXALScript/XALScript2"), QStringLiteral("abc"));
        settings.setValue(QStringLiteral("RecentXALScript/XALScript3"), QStringLiteral("zzz"));
    }
    m_app->ExitInstance();
    m_app.reset();
    QSettings settings;
    EXPECT_EQ(settings.value(QStringLiteral("RecentXALScript/XALScript1")).toString(),
              QStringLiteral("new1"));
}
} // namespace
