// The recorder's proxy against a local origin server: what it forwards, what it reports, and
// that hostile input neither stops it nor produces false reports.

#include "certauthority.h"
#include "originserver.h"
#include "recordingproxy.h"

#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <mutex>
#include <set>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

OriginResponse SiteHandler(const OriginRequest& request) {
    if (request.target() == "/redirect")
        return [&] {
            auto r = MakeOriginResponse(request, "text/html", "", http::status::found);
            r.set(http::field::location, "/small");
            return r;
        }();
    if (request.method() == http::verb::post)
        return MakeOriginResponse(request, "text/plain", "got " + request.body());
    return MakeOriginResponse(request, "text/plain", "ok");
}

class ReportLog {
public:
    CRecordingProxy::ReportFn Sink() {
        return [this](CRecordedRequest&& r) {
            std::lock_guard guard(m_mutex);
            m_reports.push_back(std::move(r));
        };
    }
    std::vector<CRecordedRequest> Reports() {
        std::lock_guard guard(m_mutex);
        return m_reports;
    }

private:
    std::mutex m_mutex;
    std::vector<CRecordedRequest> m_reports;
};

tcp::socket Connect(asio::io_context& ioc, std::uint16_t port) {
    tcp::socket socket(ioc);
    socket.connect(tcp::endpoint(asio::ip::address_v4::loopback(), port));
    timeval timeout{10, 0}; // a hanging proxy fails the test instead of blocking it
    ::setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return socket;
}

// Sends raw bytes and reads one response; status 0 when none came.
int RawExchange(std::uint16_t port, const std::string& bytes, std::string* body = nullptr,
                bool halfClose = false) {
    asio::io_context ioc;
    auto socket = Connect(ioc, port);
    beast::error_code ec;
    asio::write(socket, asio::buffer(bytes), ec);
    if (halfClose)
        socket.shutdown(tcp::socket::shutdown_send, ec);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(socket, buffer, response, ec);
    if (ec)
        return 0;
    if (body)
        *body = response.body();
    return response.result_int();
}

std::string ProxyGet(std::uint16_t originPort, const std::string& path) {
    return "GET http://127.0.0.1:" + std::to_string(originPort) + path +
           " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(originPort) + "\r\n\r\n";
}

struct ProxyFixture : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CCertAuthority> authority;
    COriginServer origin{SiteHandler};
    ReportLog log;
    std::unique_ptr<CRecordingProxy> proxy;

    void StartProxy(std::vector<std::uint16_t> httpPorts, std::vector<std::uint16_t> httpsPorts,
                    const std::string& trustFile = {}) {
        authority = std::make_unique<CCertAuthority>(dir.filePath("ca").toStdString());
        ASSERT_TRUE(authority->IsValid()) << authority->Error();
        CProxyOptions options;
        options.httpPorts = std::move(httpPorts);
        options.httpsPorts = std::move(httpsPorts);
        options.pAuthority = authority.get();
        options.strTrustFile = trustFile;
        proxy = std::make_unique<CRecordingProxy>(options, log.Sink());
        std::string error;
        ASSERT_TRUE(proxy->Start(error)) << error;
    }
};

} // namespace

TEST(RecorderPorts, port_lists_keep_valid_distinct_ports_in_order) {
    EXPECT_EQ(ParsePortList("8080, 80,x,0,70000,80,443"),
              (std::vector<std::uint16_t>{8080, 80, 443}));
    EXPECT_TRUE(ParsePortList("").empty());
}

TEST(RecorderAuthority, is_created_once_private_and_keeps_its_leaf_key) {
    QTemporaryDir dir;
    const std::string folder = dir.filePath("a/recorder").toStdString();
    std::string hash;
    {
        CCertAuthority first(folder);
        ASSERT_TRUE(first.IsValid()) << first.Error();
        hash = first.LeafKeyHash();
        EXPECT_EQ(hash.size(), 44u);
        EXPECT_NE(first.LeafCertificate("www.example.test"), nullptr);
        EXPECT_EQ(first.LeafCertificate("bad,host=DNS:x"), nullptr);
    }
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    for (const char* file : {"ca.key", "leaf.key", "ca.pem"}) {
        ASSERT_EQ(::stat((folder + "/" + file).c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
    }
    CCertAuthority again(folder);
    EXPECT_EQ(again.LeafKeyHash(), hash);
}

TEST_F(ProxyFixture, forwards_and_reports_requests_to_recorded_ports_only) {
    COriginServer unlisted(SiteHandler);
    StartProxy({origin.Port()}, {});
    std::string body;
    EXPECT_EQ(RawExchange(proxy->Port(), ProxyGet(origin.Port(), "/page?a=1&b=2"), &body), 200);
    EXPECT_EQ(body, "ok");
    const std::string post = "POST http://127.0.0.1:" + std::to_string(origin.Port()) +
                             "/login HTTP/1.1\r\nHost: x\r\nContent-Length: 9\r\n\r\nuser=anna";
    EXPECT_EQ(RawExchange(proxy->Port(), post, &body), 200);
    EXPECT_EQ(body, "got user=anna");
    EXPECT_EQ(RawExchange(proxy->Port(), ProxyGet(origin.Port(), "/redirect")), 302);
    EXPECT_EQ(RawExchange(proxy->Port(), ProxyGet(unlisted.Port(), "/")), 200);
    EXPECT_EQ(unlisted.RequestCount(), 1);

    const auto reports = log.Reports();
    ASSERT_EQ(reports.size(), 3u);
    const std::string host = "127.0.0.1:" + std::to_string(origin.Port());
    EXPECT_EQ(reports[0].strHost, host);
    EXPECT_EQ(reports[0].strPath, "/page?a=1&b=2");
    EXPECT_EQ(reports[0].nMethod, 0u);
    EXPECT_FALSE(reports[0].bHttps);
    EXPECT_EQ(reports[0].strContentType, "text/plain");
    EXPECT_EQ(reports[1].nMethod, 1u);
    EXPECT_EQ(reports[1].strBody, "user=anna");
    EXPECT_EQ(reports[2].nStatus, 302u);
    EXPECT_EQ(reports[2].nPort, origin.Port());
}

TEST_F(ProxyFixture, intercepts_https_tunnels_and_records_path_and_body) {
    // The origin's own authority, trusted by the proxy through its trust file.
    QTemporaryDir originDir;
    CCertAuthority originCA(originDir.filePath("origin").toStdString());
    ASSERT_TRUE(originCA.IsValid());
    COriginServer secure(SiteHandler, originCA.LeafCertificate("127.0.0.1"), originCA.LeafKey());
    StartProxy({}, {secure.Port()}, originCA.CACertificatePath());

    asio::io_context ioc;
    auto socket = Connect(ioc, proxy->Port());
    const std::string connect = "CONNECT 127.0.0.1:" + std::to_string(secure.Port()) +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    asio::write(socket, asio::buffer(connect));
    beast::flat_buffer buffer;
    http::response_parser<http::empty_body> established;
    established.skip(true);
    http::read_header(socket, buffer, established);
    ASSERT_EQ(established.get().result_int(), 200);

    // The client trusts only the recorder's authority: the interception must present it.
    asio::ssl::context ctx(asio::ssl::context::tls_client);
    ctx.load_verify_file(authority->CACertificatePath());
    ctx.set_verify_mode(asio::ssl::verify_peer);
    asio::ssl::stream<tcp::socket&> tls(socket, ctx);
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(tls.native_handle()), "127.0.0.1");
    tls.handshake(asio::ssl::stream_base::client);
    http::request<http::string_body> request{http::verb::post, "/secure?x=1", 11};
    request.set(http::field::host, "127.0.0.1");
    request.body() = "pin=42";
    request.prepare_payload();
    http::write(tls, request);
    http::response<http::string_body> response;
    http::read(tls, buffer, response);
    EXPECT_EQ(response.body(), "got pin=42");

    const auto reports = log.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].bHttps);
    EXPECT_EQ(reports[0].strHost, "127.0.0.1:" + std::to_string(secure.Port()));
    EXPECT_EQ(reports[0].strPath, "/secure?x=1");
    EXPECT_EQ(reports[0].strBody, "pin=42");
}

TEST_F(ProxyFixture, refuses_what_it_cannot_forward_with_an_error_page_and_no_report) {
    StartProxy({origin.Port()}, {});
    std::uint16_t closedPort = 0;
    {
        asio::io_context ioc;
        tcp::acceptor probe(ioc, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
        closedPort = probe.local_endpoint().port();
    }
    std::string page;
    EXPECT_EQ(RawExchange(proxy->Port(), "HELLO THERE\r\n\r\n"), 400);
    EXPECT_EQ(RawExchange(proxy->Port(), "\x16\x03\x01garbage\r\n\r\n"), 400);
    EXPECT_EQ(RawExchange(proxy->Port(), "GET /local HTTP/1.1\r\nHost: x\r\n\r\n"), 400);
    EXPECT_EQ(RawExchange(proxy->Port(), ProxyGet(closedPort, "/"), &page), 502);
    EXPECT_NE(page.find("cannot be reached"), std::string::npos);
    EXPECT_EQ(RawExchange(proxy->Port(), ProxyGet(proxy->Port(), "/")), 508);
    EXPECT_EQ(RawExchange(proxy->Port(), "CONNECT 127.0.0.1:" + std::to_string(proxy->Port()) +
                                             " HTTP/1.1\r\n\r\n"),
              508);
    const std::string huge = "GET http://127.0.0.1:" + std::to_string(origin.Port()) +
                             "/ HTTP/1.1\r\nX-Big: " + std::string(1 << 20, 'a') + "\r\n\r\n";
    EXPECT_EQ(RawExchange(proxy->Port(), huge), 431);
    // A request cut short by a half-close is neither forwarded nor answered.
    EXPECT_EQ(
        RawExchange(proxy->Port(),
                    "GET http://127.0.0.1:" + std::to_string(origin.Port()) + "/ HTTP/1.1\r\nHos",
                    nullptr, true),
        0);
    EXPECT_TRUE(log.Reports().empty());
    EXPECT_EQ(origin.RequestCount(), 0);
    EXPECT_EQ(RawExchange(proxy->Port(), ProxyGet(origin.Port(), "/after")), 200);
    EXPECT_EQ(log.Reports().size(), 1u);
}

TEST_F(ProxyFixture, serves_a_thousand_parallel_connections_and_reports_each_once) {
    StartProxy({origin.Port()}, {});
    constexpr int kConnections = 1000;
    asio::io_context ioc;
    std::vector<tcp::socket> sockets;
    for (int i = 0; i < kConnections; ++i)
        sockets.push_back(Connect(ioc, proxy->Port()));
    for (int i = 0; i < kConnections; ++i)
        asio::write(sockets[i], asio::buffer(ProxyGet(origin.Port(), "/n" + std::to_string(i))));
    int ok = 0;
    for (auto& socket : sockets) {
        beast::flat_buffer buffer;
        http::response<http::string_body> response;
        beast::error_code ec;
        http::read(socket, buffer, response, ec);
        ok += !ec && response.result_int() == 200;
    }
    EXPECT_EQ(ok, kConnections);
    auto reports = log.Reports();
    ASSERT_EQ(reports.size(), static_cast<std::size_t>(kConnections));
    std::set<std::string> paths;
    for (const auto& r : reports)
        paths.insert(r.strPath);
    EXPECT_EQ(paths.size(), static_cast<std::size_t>(kConnections));
}
