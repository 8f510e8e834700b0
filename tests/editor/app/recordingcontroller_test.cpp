// The application's recording and test commands in this process, offscreen: the real recorder
// (proxy only, no browser) between a small local site and the main script, the recording
// window, the enabling of the commands, the test command against the embedded store, domain
// exclusion from the window.

#include "datadialogs.h"
#include "dialrecordingform.h"
#include "escriptlayout.h"
#include "fakehost.h"
#include "mainframe.h"
#include "messages.h"
#include "mongodb.h"
#include "originserver.h"
#include "recordingcontroller.h"
#include "scriptview.h"
#include "xallock.h"
#include "xalrecordmodule.h"
#include "xalscripeditapp.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <gtest/gtest.h>

#include <functional>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

// One request through the recording proxy, as a browser set to use it sends it.
int Fetch(std::uint16_t proxyPort, std::uint16_t sitePort, const std::string& target,
          const std::string& body = {}) {
    asio::io_context io;
    beast::tcp_stream stream(io);
    stream.connect(asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), proxyPort));
    const std::string host = "127.0.0.1:" + std::to_string(sitePort);
    http::request<http::string_body> request(body.empty() ? http::verb::get : http::verb::post,
                                             "http://" + host + target, 11);
    request.set(http::field::host, host);
    if (!body.empty()) {
        request.set(http::field::content_type, "application/x-www-form-urlencoded");
        request.body() = body;
    }
    request.prepare_payload();
    http::write(stream, request);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response);
    return response.result_int();
}

// The recorder the editor records with: its module, which the editor opened by the same name.
const XRModule& Recorder() {
    static const XRModule module = [] {
        QString error;
        const std::optional<XRModule> opened = XROpenModule(QLatin1String(kXRModuleName), error);
        if (!opened)
            qFatal("%s", qPrintable(error));
        return *opened;
    }();
    return module;
}

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return true;
}

// "label" of every URL row, and "name=value" of every parameter row, in order.
QStringList Rows(const CMyTreeGridCtrl& grid) {
    QStringList rows;
    for (int i = 0; i < grid.GetRowCount(); ++i) {
        const CGridRow& row = grid.Row(i);
        rows.append(row.IsURLRow() ? row.m_cells[0].strText
                                   : row.m_cells[0].strText + u'=' + row.m_cells[1].strText);
    }
    return rows;
}

class AppRecording : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QDir().mkpath(m_dir.filePath(QStringLiteral("system/cfg")));
        WriteFile(QStringLiteral("system/cfg/zvaccess.cfg"),
                  "[MongoDB]\nServer = embedded:" + m_dir.filePath("suite.db").toUtf8() + "\n");
        WriteFile(QStringLiteral("system/cfg/xal.cfg"),
                  "[Settings]\nXalServer = xal-gw.test:8080\n");
        qputenv("ZVHOME", m_dir.path().toUtf8());
        qputenv("ZVLG", "en");
        // The recorder's proxy only: the test is the browser.
        qputenv("XAL_RECORDER_NO_BROWSER", "1");
        qputenv("XAL_RECORDER_BROWSER", "/bin/true");
        qputenv("XAL_RECORDER_CA_DIR", m_dir.filePath(QStringLiteral("ca")).toUtf8());

        m_root = QStringLiteral("http://127.0.0.1:%1/").arg(m_site.Port());
        m_db = std::make_unique<CMongoDB>(
            QStringLiteral("embedded:") + m_dir.filePath(QStringLiteral("suite.db")), QString());
        QString error;
        ASSERT_TRUE(m_db->Connect(error));
        Insert(escript::kNsEScript,
               QStringLiteral(R"({"_id": "abc", "title": "Shop", "rooturl": "%1",
                   "urls": [{"url": "/old", "method": 0, "server": "127.0.0.1",
                             "internetprotocol": 0, "port": %2}]})")
                   .arg(m_root)
                   .arg(m_site.Port()));
        // The site's port is the one recorded as http.
        Insert(escript::kNsSettings,
               QStringLiteral(R"({"_id": "system", "escriptrecord_proxyport": %1})")
                   .arg(m_site.Port()));
        Insert(escript::kNsSettings,
               QStringLiteral(R"({"_id": "hidden_urls", "hidden_urls": [".*/ads/.*"]})"));
        Insert(escript::kNsSettings,
               QStringLiteral(R"({"_id": "hidden_urls_local", "hidden_urls": [".*hidden.*"]})"));
        Insert(escript::kNsSettings,
               QStringLiteral(R"({"_id": "hidden_mimetypes", "hidden_mimetypes": ["image/.*"]})"));
    }

    void TearDown() override {
        m_app.reset();
        for (const char* name : {"ZVHOME", "ZVLG", "XAL_RECORDER_NO_BROWSER",
                                 "XAL_RECORDER_BROWSER", "XAL_RECORDER_CA_DIR", "XAL_BROWSER"})
            qunsetenv(name);
    }

    void WriteFile(const QString& name, const QByteArray& content) {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void Insert(const QString& ns, const QString& json) {
        CMDBRecord doc;
        QString error;
        ASSERT_TRUE(CMDBRecord::FromJson(json, doc, &error)) << error.toStdString();
        ASSERT_TRUE(m_db->Insert(ns, doc)) << m_db->GetLastError().toStdString();
    }

    // The editor, recording through the given module file (by default its own).
    void Start(const QString& recorderModule = QString()) {
        m_app = std::make_unique<CXALScripEditApp>(*qApp, m_messages, m_dialogs);
        if (!recorderModule.isEmpty())
            m_app->SetRecordingController(
                std::make_unique<CRecordingController>(*m_app, recorderModule));
        ASSERT_TRUE(m_app->InitInstance(QStringLiteral("/xalid:abc")))
            << m_messages.Texts().join(u'|').toStdString();
        m_frame = dynamic_cast<CMainFrame*>(m_app->GetMainWindow());
        m_controller = dynamic_cast<CRecordingController*>(m_app->GetRecordingController());
        ASSERT_NE(m_frame, nullptr);
        ASSERT_NE(m_controller, nullptr);
    }

    bool Enabled(int command) { return m_frame->Router().IsEnabled(command); }
    const CMyTreeGridCtrl& Main() { return m_app->GetView()->GetMainView().Grid(); }
    int Get(const std::string& target, const std::string& body = {}) {
        return Fetch(Recorder().XRProxyPort(), m_site.Port(), target, body);
    }
    QString Site(const QString& path) const { return m_root + path; }

    QTemporaryDir m_dir;
    COriginServer m_site{[](const OriginRequest& r) {
        if (r.target() == "/img.png")
            return MakeOriginResponse(r, "image/png", "PNG");
        return MakeOriginResponse(r, "text/html", "<html>ok</html>");
    }};
    QString m_root;
    std::unique_ptr<CMongoDB> m_db;
    CScriptedMessages m_messages;
    CScriptedDialogs m_dialogs;
    std::unique_ptr<CXALScripEditApp> m_app;
    CMainFrame* m_frame = nullptr;
    CRecordingController* m_controller = nullptr;
};

} // namespace

TEST_F(AppRecording, recorded_requests_reach_the_main_script_and_pause_drops_them) {
    Start();
    EXPECT_TRUE(Enabled(XalCmd::RecordStart));
    EXPECT_FALSE(Enabled(XalCmd::RecordStop));
    EXPECT_TRUE(Enabled(XalCmd::Test));

    ASSERT_TRUE(m_frame->OnCommand(XalCmd::RecordStart));
    ASSERT_NE(Recorder().XRProxyPort(), 0) << m_messages.Texts().join(u'|').toStdString();
    // The recording replaces the main script: only the root URL waits for the hand-over.
    EXPECT_EQ(Main().GetRowCount(), 0);
    EXPECT_TRUE(m_app->IsModified());
    CDialRecordingForm* window = m_controller->Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window->windowTitle(), XalFormat(32, XalString(33)));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("status"))->text(), XalString(8));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("rootURL"))->text(), m_root);
    EXPECT_FALSE(Enabled(XalCmd::RecordStart));
    EXPECT_TRUE(Enabled(XalCmd::RecordStartUnfiltered)); // records anew, unfiltered
    EXPECT_TRUE(Enabled(XalCmd::RecordStop));
    EXPECT_FALSE(Enabled(XalCmd::Test));
    EXPECT_FALSE(Enabled(XalCmd::Save));

    // A domain excluded while recording is left out at once.
    m_app->ExcludeDomain(QStringLiteral("127.0.0.1"), QStringLiteral(".*excluded.*"));

    EXPECT_EQ(Get("/"), 200); // the root again: already queued by the start
    EXPECT_EQ(Get("/page?x=1"), 200);
    EXPECT_EQ(Get("/img.png"), 200);    // hidden MIME type
    EXPECT_EQ(Get("/hidden/a"), 200);   // local hidden URL
    EXPECT_EQ(Get("/ads/banner"), 200); // global hidden URL
    EXPECT_EQ(Get("/excluded/b"), 200); // excluded just now
    EXPECT_EQ(Get("/login", "user=anna&pw=s3cret"), 200);
    ASSERT_TRUE(WaitFor([&] { return Rows(Main()).contains(Site(QStringLiteral("login"))); }))
        << Rows(Main()).join(u'|').toStdString();
    EXPECT_EQ(Rows(Main()),
              (QStringList{m_root, Site(QStringLiteral("page")), QStringLiteral("x=1"),
                           Site(QStringLiteral("login")), QStringLiteral("user=anna"),
                           QStringLiteral("pw=s3cret")}));

    // Paused: stop stays possible, test and save come back, requests are lost.
    window->findChild<QPushButton*>(QStringLiteral("pauseButton"))->click();
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("status"))->text(), XalString(9));
    EXPECT_EQ(window->findChild<QPushButton*>(QStringLiteral("pauseButton"))->text(),
              XalString(10));
    EXPECT_FALSE(Enabled(XalCmd::RecordStart));
    EXPECT_TRUE(Enabled(XalCmd::RecordStop));
    EXPECT_TRUE(Enabled(XalCmd::Test));
    EXPECT_TRUE(Enabled(XalCmd::Save));
    EXPECT_EQ(Get("/while-paused"), 200);

    // The recorder ends by itself (the user closed the browser): its queue is delivered first.
    Recorder().XRStopRecording(1);
    ASSERT_TRUE(WaitFor([&] { return !window->isVisible(); }));
    m_controller->HandOver();
    EXPECT_EQ(Rows(Main()).size(), 6);
    EXPECT_TRUE(Enabled(XalCmd::RecordStart));
    EXPECT_FALSE(Enabled(XalCmd::RecordStop));
}

TEST_F(AppRecording, stop_and_exit_end_the_recording_and_the_root_question_keeps_the_filtering) {
    Start();
    ASSERT_TRUE(m_frame->OnCommand(XalCmd::RecordStartUnfiltered));
    CDialRecordingForm* window = m_controller->Window();
    EXPECT_EQ(window->windowTitle(), XalFormat(32, XalString(34)));
    EXPECT_EQ(Get("/img.png"), 200); // recorded: no filtering
    ASSERT_TRUE(m_frame->OnCommand(XalCmd::RecordStop));
    EXPECT_EQ(Recorder().XRProxyPort(), 0);
    ASSERT_TRUE(WaitFor([&] { return !window->isVisible(); }));
    ASSERT_TRUE(WaitFor([&] { return Main().GetRowCount() == 2; }, 5000));
    EXPECT_EQ(Rows(Main()), (QStringList{m_root, Site(QStringLiteral("img.png"))}));

    // The root-URL question of the view starts as the last start command did: unfiltered.
    m_app->StartRecording();
    EXPECT_EQ(window->windowTitle(), XalFormat(32, XalString(34)));
    EXPECT_EQ(Main().GetRowCount(), 0);
    window->findChild<QPushButton*>(QStringLiteral("exitButton"))->click();
    EXPECT_FALSE(m_app->IsRecordingStarted());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Recorder().XRProxyPort(), 0);
}

TEST_F(AppRecording, a_start_frees_placeholders_no_remaining_row_shows) {
    Start();
    // Placeholder 0 only in the main script, 1 in the conditional script.
    CScriptObj script;
    script.m_strID = QStringLiteral("abc");
    script.m_strRootURL = m_root;
    CFindReplaceObj first;
    first.m_strFind = QStringLiteral("a");
    first.m_strReplace = QStringLiteral("_XALURL_0_");
    CFindReplaceObj second;
    second.m_strFind = QStringLiteral("b");
    second.m_strReplace = QStringLiteral("_XALURL_1_");
    script.m_lstURLParameter = {first, second};
    script.m_lstScripts.push_back(
        Script(0, {}, {Url(QStringLiteral("127.0.0.1"), QStringLiteral("/r/_XALURL_0_"))}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Cond"),
               {Url(QStringLiteral("h"), QStringLiteral("/c")),
                Url(QStringLiteral("h"), QStringLiteral("/d"), 0,
                    {Param(QStringLiteral("b"), QStringLiteral("_XALURL_1_"), 0, 0x8000)})}));
    m_app->GetView()->SetScript(script);
    ASSERT_EQ(m_app->GetDocument()->FlexibleCount(), 2);

    ASSERT_TRUE(m_frame->OnCommand(XalCmd::RecordStart));
    EXPECT_EQ(m_app->GetDocument()->FlexibleCount(), 1);
    ASSERT_EQ(m_app->GetDocument()->FlexibleParameters().size(), 1u);
    EXPECT_EQ(m_app->GetDocument()->FlexibleParameters()[0].m_strFind, QStringLiteral("b"));
    EXPECT_EQ(m_app->GetDocument()->FlexibleParameters()[0].m_strReplace,
              QStringLiteral("_XALURL_0_"));
    EXPECT_TRUE(
        m_app->GetView()->GetTabView(1)->Grid().FindTextInRows(QStringLiteral("_XALURL_0_")));
    m_frame->OnCommand(XalCmd::RecordStop);
}

TEST_F(AppRecording, a_start_that_cannot_record_tells_why_and_keeps_the_main_script) {
    Start();
    qputenv("XAL_RECORDER_BROWSER", "/nonexistent/chromium");
    m_frame->OnCommand(XalCmd::RecordStart);
    EXPECT_EQ(m_messages.Texts(), QStringList{XalString(25)});

    // A browser program that cannot be run.
    const QString fake = m_dir.filePath(QStringLiteral("browser"));
    WriteFile(QStringLiteral("browser"), "not a program");
    QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XAL_RECORDER_BROWSER", fake.toUtf8());
    qunsetenv("XAL_RECORDER_NO_BROWSER");
    m_messages.ClearTexts();
    m_frame->OnCommand(XalCmd::RecordStart);
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(m_messages.Texts().front().startsWith(XalFormat(162, QString())));
    EXPECT_FALSE(m_app->IsRecordingStarted());
    EXPECT_FALSE(m_controller->Window()->isVisible());
    EXPECT_EQ(Main().GetRowCount(), 1);
    EXPECT_FALSE(m_app->IsModified());
}

TEST_F(AppRecording, a_recorder_module_that_cannot_be_loaded_is_named_and_the_editor_goes_on) {
    WriteFile(QStringLiteral("libbroken.so"), "not a library");
    // Missing, not a library, a library without the recorder's functions.
    const QString missing = m_dir.filePath(QStringLiteral("libmissing.so"));
    const QString broken = m_dir.filePath(QStringLiteral("libbroken.so"));
    for (const QString& module : {missing, broken, QStringLiteral("libc.so.6")}) {
        SCOPED_TRACE(module.toStdString());
        m_app.reset();
        m_messages.ClearTexts();
        Start(module);
        // Twice: a failed load leaves nothing behind and is tried again.
        for (int attempt = 0; attempt < 2; ++attempt) {
            m_frame->OnCommand(XalCmd::RecordStart);
            ASSERT_EQ(m_messages.Texts().size(), attempt + 1);
            const QString text = m_messages.Texts().back();
            const QString expected =
                XalFormat(162, module + QStringLiteral(" could not be loaded: "));
            EXPECT_TRUE(text.startsWith(expected)) << text.toStdString();
            EXPECT_GT(text.size(), expected.size()) << "no reason given";
            EXPECT_FALSE(m_app->IsRecordingStarted());
            EXPECT_FALSE(m_controller->Window()->isVisible());
            EXPECT_EQ(Main().GetRowCount(), 1);
            EXPECT_FALSE(m_app->IsModified());
            EXPECT_TRUE(Enabled(XalCmd::RecordStart));
        }
        if (module == QStringLiteral("libc.so.6")) {
            EXPECT_TRUE(m_messages.Texts().back().endsWith(QStringLiteral("XRStartRecording")));
        }
        // Stop and the quit have nothing to stop.
        m_frame->OnCommand(XalCmd::RecordStop);
    }
}

TEST_F(AppRecording, test_command_stores_copies_under_fresh_ids_and_opens_the_proxy_address) {
    const QString capture = m_dir.filePath(QStringLiteral("opened.txt"));
    WriteFile(QStringLiteral("browser.sh"),
              "#!/bin/sh\necho \"$1\" >> '" + capture.toUtf8() + "'\n");
    QFile::setPermissions(m_dir.filePath(QStringLiteral("browser.sh")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XAL_BROWSER", m_dir.filePath(QStringLiteral("browser.sh")).toUtf8());
    Start();

    ASSERT_TRUE(m_frame->OnCommand(XalCmd::Test));
    ASSERT_TRUE(m_frame->OnCommand(XalCmd::Test));
    QStringList opened;
    ASSERT_TRUE(WaitFor([&] {
        QFile file(capture);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        opened = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        return opened.size() == 2;
    }));
    opened.sort();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("http://xal-gw.test:8080/xal/xaltest1"),
                                   QStringLiteral("http://xal-gw.test:8080/xal/xaltest2")}));
    CMDBRecord copy;
    ASSERT_TRUE(m_db->SeekReference(escript::kNsEScript, QStringLiteral("xaltest2"), copy));
    EXPECT_TRUE(copy.GetBool(QStringLiteral("test")));
    EXPECT_EQ(copy.GetArrayPtr(QStringLiteral("urls"))->GetCount(), 1);
}

TEST_F(AppRecording,
       exclusion_from_the_window_asks_respects_the_settings_lock_and_refuses_a_duplicate) {
    Start();
    const QString pattern = QStringLiteral(".*shop.example.*");
    CLockManager other(*m_db, CLockHolder{QStringLiteral("maria"), QStringLiteral("ws-7"), 4242});
    ZVLockInfo info;
    ASSERT_TRUE(other.Lock(QByteArrayLiteral("XAL Settings"), kLockKindProgram, &info));
    m_app->ExcludeDomain(QStringLiteral("www.shop.example"), pattern);
    EXPECT_EQ(m_messages.Texts(),
              (QStringList{XalFormat(30, QStringLiteral("www.shop.example")),
                           XalFormat(31, QStringLiteral("maria"), QStringLiteral("ws-7"))}));
    other.Unlock(QByteArrayLiteral("XAL Settings"), kLockKindProgram);

    m_messages.ClearTexts();
    m_app->ExcludeDomain(QStringLiteral("www.shop.example"), pattern);
    m_app->ExcludeDomain(QStringLiteral("www.shop.example"), pattern);
    EXPECT_EQ(m_messages.Texts().back(), XalFormat(53, QStringLiteral("www.shop.example")));
    QStringList stored;
    CMDBRecord local;
    ASSERT_TRUE(
        m_db->SeekReference(escript::kNsSettings, QStringLiteral("hidden_urls_local"), local));
    ASSERT_TRUE(local.DataToArrayObj(QStringLiteral("hidden_urls"), stored));
    EXPECT_EQ(stored, (QStringList{QStringLiteral(".*hidden.*"), pattern}));
    EXPECT_EQ(m_app->HiddenURLsLocal(), stored);
}
