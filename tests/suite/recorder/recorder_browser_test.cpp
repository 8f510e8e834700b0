// End to end: a real browser, started by the recorder, browses a small local site (page,
// image, form POST, redirect, HTTPS page with the site's own certificate).

#include "certauthority.h"
#include "originserver.h"
#include "xalrecord.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <tuple>

namespace http = boost::beast::http;

namespace {

struct Report {
    std::uint32_t kind;
    std::string host, path, contentType, body;
};

std::mutex g_mutex;
std::condition_variable g_changed;
std::vector<Report> g_reports;

void Collect(std::uint32_t, std::uint32_t kind, std::uint32_t, const char* host, const char* path,
             const char* contentType, std::uint16_t, const unsigned char* body,
             std::uint32_t length) {
    std::lock_guard guard(g_mutex);
    g_reports.push_back(
        {kind, host, path, contentType, std::string(reinterpret_cast<const char*>(body), length)});
    g_changed.notify_all();
}

const char* kPage = "<html><head><link rel=\"icon\" href=\"data:,\"></head><body>"
                    "<img src=\"/img.png\" onload=\"document.forms[0].submit()\">"
                    "<form method=\"post\" action=\"/login\"><input name=\"user\" value=\"anna\">"
                    "<input name=\"pw\" value=\"s3cret\"></form></body></html>";

} // namespace

TEST(RecorderBrowser, records_exactly_what_the_browser_requests) {
    if (XRBrowserProgram().isEmpty())
        GTEST_SKIP() << "no browser program installed";
    QTemporaryDir dir;
    CCertAuthority siteCA(dir.filePath("site").toStdString());
    ASSERT_TRUE(siteCA.IsValid());
    COriginServer secure(
        [](const OriginRequest& r) {
            return MakeOriginResponse(r, "text/html",
                                      "<html><head><link rel=\"icon\" "
                                      "href=\"data:,\"></head>done</html>");
        },
        siteCA.LeafCertificate("127.0.0.1"), siteCA.LeafKey());
    const std::string secureURL =
        "https://127.0.0.1:" + std::to_string(secure.Port()) + "/secure?x=1";
    COriginServer site([&](const OriginRequest& r) {
        if (r.target() == "/img.png")
            return MakeOriginResponse(
                r, "image/png",
                QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mN"
                                       "kYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==")
                    .toStdString());
        if (r.target() == "/login") {
            auto res = MakeOriginResponse(r, "text/html", "", http::status::found);
            res.set(http::field::location, "/welcome");
            return res;
        }
        if (r.target() == "/welcome")
            return MakeOriginResponse(r, "text/html",
                                      "<html><head><link rel=\"icon\" href=\"data:,\"></head>"
                                      "<script>location.href='" +
                                          secureURL + "'</script></html>");
        return MakeOriginResponse(r, "text/html", kPage);
    });

    qputenv("XAL_RECORDER_CA_DIR", dir.filePath("recorder").toUtf8());
    qputenv("XAL_RECORDER_TRUST_FILE", QByteArray::fromStdString(siteCA.CACertificatePath()));
    qputenv("XAL_RECORDER_BROWSER_ARGS",
            "--headless=new --disable-gpu --disable-dev-shm-usage --no-default-browser-check");
    qunsetenv("XAL_RECORDER_NO_BROWSER");
    int installed = 0;
    EXPECT_EQ(IsInstalledLspW(QString(), QString(), &installed), 0);
    EXPECT_EQ(installed, 1);

    const QString root = QStringLiteral("http://127.0.0.1:%1/").arg(site.Port());
    ASSERT_TRUE(XRStartRecording(QString(), root, QString::number(site.Port()),
                                 QString::number(secure.Port()), Collect, 1))
        << XRLastError().toStdString();
    {
        std::unique_lock lock(g_mutex);
        g_changed.wait_for(lock, std::chrono::seconds(150), [] {
            return std::any_of(g_reports.begin(), g_reports.end(),
                               [](const Report& r) { return r.path == "/secure?x=1"; });
        });
    }
    XRStopRecording(1);

    const std::string host = "127.0.0.1:" + std::to_string(site.Port());
    const std::string secureHost = "127.0.0.1:" + std::to_string(secure.Port());
    std::lock_guard guard(g_mutex);
    std::string seen;
    for (const Report& r : g_reports)
        seen += std::to_string(r.kind) + " " + r.host + r.path + " " + r.contentType + "\n";
    ASSERT_EQ(g_reports.size(), 6u) << seen;
    const std::vector<std::tuple<std::uint32_t, std::string, std::string, std::string>> expected{
        {1, host, "/", "text/html"},
        {1, host, "/img.png", "image/png"},
        {2, host, "/login", "text/html"},
        {1, host, "/welcome", "text/html"},
        {0x1001, secureHost, "/secure?x=1", "text/html"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [kind, h, path, type] = expected[i];
        EXPECT_EQ(g_reports[i].kind, kind) << i;
        EXPECT_EQ(g_reports[i].host, h) << i;
        EXPECT_EQ(g_reports[i].path, path) << i;
        EXPECT_EQ(g_reports[i].contentType, type) << i;
    }
    EXPECT_EQ(g_reports[2].body, "user=anna&pw=s3cret");
    EXPECT_EQ(g_reports.back().kind, kXREndOfRecording);
}

TEST(RecorderBrowser, refuses_a_root_url_the_browser_would_take_for_a_switch) {
    QTemporaryDir dir;
    qputenv("XAL_RECORDER_CA_DIR", dir.filePath("recorder").toUtf8());
    qunsetenv("XAL_RECORDER_NO_BROWSER");
    EXPECT_FALSE(XRStartRecording(QString(), QStringLiteral("--renderer-cmd-prefix=touch /tmp/x"),
                                  QStringLiteral("80"), QStringLiteral("443"), Collect, 1));
    EXPECT_FALSE(XRLastError().isEmpty());
    EXPECT_EQ(XRProxyPort(), 0);
}
