#include "recordingproxy.h"

#include <utility> // before asio: its awaitable uses std::exchange

#include "certauthority.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <charconv>
#include <optional>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;
using asio::awaitable;
using asio::use_awaitable;
using boost::system::error_code;

namespace {

constexpr auto kIdleTimeout = std::chrono::seconds(30);
constexpr auto kConnectTimeout = std::chrono::seconds(10);
constexpr auto kResponseTimeout = std::chrono::seconds(60);
constexpr auto kTunnelIdleTimeout = std::chrono::seconds(300);

struct Destination {
    std::string host; // without brackets
    std::uint16_t port = 0;
    bool https = false;
};

std::string_view AsView(beast::string_view text) {
    return {text.data(), text.size()};
}

// Host names and address literals only: what may reach a resolver, a certificate or a report.
bool IsValidHost(std::string_view host) {
    if (host.empty() || host.size() > 253)
        return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' ||
               c == ':';
    });
}

bool ParsePort(std::string_view text, std::uint16_t& port) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

// "host", "host:port", "[v6]" or "[v6]:port".
bool ParseAuthority(std::string_view text, std::uint16_t defaultPort, Destination& dest) {
    std::string_view host = text;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return false;
        host = text.substr(1, close - 1);
        const auto rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return false;
            port = rest.substr(1);
        }
    } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return false;
    }
    if (!IsValidHost(host))
        return false;
    dest.host = std::string(host);
    dest.port = defaultPort;
    return port.empty() || ParsePort(port, dest.port);
}

// Absolute-form target of a plain proxy request: "http://authority/path?query".
bool ParseAbsoluteTarget(std::string_view target, Destination& dest, std::string& path) {
    constexpr std::string_view scheme = "http://";
    if (target.size() < scheme.size() ||
        !std::equal(scheme.begin(), scheme.end(), target.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        }))
        return false;
    target.remove_prefix(scheme.size());
    const auto slash = target.find_first_of("/?#");
    const auto authority = target.substr(0, slash);
    if (authority.find('@') != std::string_view::npos)
        return false;
    if (!ParseAuthority(authority, 80, dest))
        return false;
    path = slash == std::string_view::npos ? "/" : std::string(target.substr(slash));
    if (const auto hash = path.find('#'); hash != std::string::npos)
        path.resize(hash);
    if (path.empty() || path.front() != '/')
        path.insert(path.begin(), '/');
    dest.https = false;
    return true;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

http::response<http::string_body> ErrorPage(http::status status, std::string_view title,
                                            std::string_view detail) {
    http::response<http::string_body> res{status, 11};
    res.set(http::field::content_type, "text/html; charset=utf-8");
    res.set(http::field::cache_control, "no-store");
    res.body() = "<!DOCTYPE html><html><head><title>XAL Recorder: " + HtmlEscape(title) +
                 "</title></head><body><h1>" + HtmlEscape(title) + "</h1><p>" + HtmlEscape(detail) +
                 "</p><p>This request was not recorded.</p></body></html>\n";
    res.keep_alive(false);
    res.prepare_payload();
    return res;
}

std::uint32_t MethodValue(http::verb verb) {
    switch (verb) {
    case http::verb::get:
        return 0;
    case http::verb::post:
        return 1;
    default:
        return 2;
    }
}

std::string DisplayHost(const Destination& dest) {
    const bool v6 = dest.host.find(':') != std::string::npos;
    std::string host = v6 ? "[" + dest.host + "]" : dest.host;
    if (dest.port != (dest.https ? 443 : 80))
        host += ":" + std::to_string(dest.port);
    return host;
}

void StripHopByHop(http::fields& fields) {
    for (const auto f :
         {http::field::proxy_connection, http::field::proxy_authorization, http::field::connection,
          http::field::keep_alive, http::field::te, http::field::trailer, http::field::upgrade})
        fields.erase(f);
}

// The proxy's connection to the current destination of one client connection.
struct Upstream {
    std::string key;
    std::optional<beast::tcp_stream> plain;
    std::unique_ptr<beast::ssl_stream<beast::tcp_stream>> tls;
    beast::flat_buffer buffer;

    void Reset() {
        key.clear();
        error_code ec;
        if (plain)
            plain->socket().close(ec);
        if (tls)
            beast::get_lowest_layer(*tls).socket().close(ec);
        plain.reset();
        tls.reset();
        buffer.clear();
    }
};

// One connection's failure (memory, a library's exception) ends that connection, never the
// proxy.
void Contain(const std::exception_ptr&) {}

} // namespace

std::vector<std::uint16_t> ParsePortList(const std::string& text) {
    std::vector<std::uint16_t> ports;
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        std::uint16_t port = 0;
        if (ParsePort(item, port) && std::find(ports.begin(), ports.end(), port) == ports.end())
            ports.push_back(port);
    }
    return ports;
}

struct CRecordingProxy::Impl {
    CProxyOptions options;
    ReportFn report;
    ssl::context clientTls{ssl::context::tls_client};
    ssl::context serverTls{ssl::context::tls_server};
    asio::io_context ioc;
    std::optional<tcp::acceptor> acceptor;
    std::vector<std::thread> threads;
    std::atomic<std::uint16_t> port{0};
    std::atomic<std::uint32_t> sequence{0};
    bool running = false;

    Impl(CProxyOptions o, ReportFn r) : options(std::move(o)), report(std::move(r)) {}

    [[nodiscard]] bool IsRecorded(std::uint16_t p) const {
        return std::find(options.httpPorts.begin(), options.httpPorts.end(), p) !=
                   options.httpPorts.end() ||
               std::find(options.httpsPorts.begin(), options.httpsPorts.end(), p) !=
                   options.httpsPorts.end();
    }

    // Requests for the proxy's own port would come straight back: refused.
    [[nodiscard]] bool IsSelf(const tcp::resolver::results_type& results, std::uint16_t p) const {
        if (p != port.load())
            return false;
        return std::any_of(results.begin(), results.end(), [](const auto& entry) {
            const auto address = entry.endpoint().address();
            return address.is_loopback() || address.is_unspecified();
        });
    }

    awaitable<void> Listen();
    awaitable<void> Session(tcp::socket socket);
    template <class ClientStream>
    awaitable<std::optional<http::request<http::string_body>>>
    ServeHttp(ClientStream& client, beast::flat_buffer& buffer,
              const std::optional<Destination>& fixed);
    awaitable<void> HandleConnect(beast::tcp_stream client, beast::flat_buffer buffer,
                                  http::request<http::string_body> request);
    awaitable<bool> Connect(Upstream& upstream, const Destination& dest, std::string& error);
    awaitable<bool> Forward(Upstream& upstream, const Destination& dest,
                            http::request<http::string_body>& request,
                            http::response<http::string_body>& response, std::string& error);
};

awaitable<void> CRecordingProxy::Impl::Listen() {
    for (;;) {
        error_code ec;
        tcp::socket socket = co_await acceptor->async_accept(
            asio::make_strand(ioc), asio::redirect_error(use_awaitable, ec));
        if (ec == asio::error::operation_aborted || !acceptor->is_open())
            co_return;
        if (ec) {
            // Out of descriptors or a connection reset before it was taken: wait a little.
            asio::steady_timer pause(co_await asio::this_coro::executor,
                                     std::chrono::milliseconds(20));
            co_await pause.async_wait(asio::redirect_error(use_awaitable, ec));
            continue;
        }
        auto executor = socket.get_executor();
        asio::co_spawn(executor, Session(std::move(socket)), Contain);
    }
}

template <class Stream, class Message>
awaitable<bool> WriteMessage(Stream& stream, Message& message) {
    error_code ec;
    beast::get_lowest_layer(stream).expires_after(kIdleTimeout);
    co_await http::async_write(stream, message, asio::redirect_error(use_awaitable, ec));
    co_return !ec;
}

awaitable<bool> CRecordingProxy::Impl::Connect(Upstream& upstream, const Destination& dest,
                                               std::string& error) {
    upstream.Reset();
    auto executor = co_await asio::this_coro::executor;
    tcp::resolver resolver(executor);
    error_code ec;
    const auto results = co_await resolver.async_resolve(dest.host, std::to_string(dest.port),
                                                         asio::redirect_error(use_awaitable, ec));
    if (ec) {
        error = "The host '" + dest.host + "' cannot be found: " + ec.message();
        co_return false;
    }
    if (IsSelf(results, dest.port)) {
        error = "The request is addressed to the recording proxy itself.";
        co_return false;
    }
    beast::tcp_stream stream(executor);
    stream.expires_after(kConnectTimeout);
    co_await stream.async_connect(results, asio::redirect_error(use_awaitable, ec));
    if (ec) {
        error = "The host '" + dest.host + "' on port " + std::to_string(dest.port) +
                " cannot be reached: " + ec.message();
        co_return false;
    }
    stream.socket().set_option(tcp::no_delay(true), ec);
    if (!dest.https) {
        upstream.plain.emplace(std::move(stream));
    } else {
        auto tls =
            std::make_unique<beast::ssl_stream<beast::tcp_stream>>(std::move(stream), clientTls);
        SSL* handle = tls->native_handle();
        {
            error_code addrError;
            asio::ip::make_address(dest.host, addrError);
            X509_VERIFY_PARAM* param = SSL_get0_param(handle);
            if (addrError) {
                SSL_set_tlsext_host_name(handle, dest.host.c_str());
                X509_VERIFY_PARAM_set1_host(param, dest.host.c_str(), 0);
            } else {
                X509_VERIFY_PARAM_set1_ip_asc(param, dest.host.c_str());
            }
        }
        beast::get_lowest_layer(*tls).expires_after(kConnectTimeout);
        co_await tls->async_handshake(ssl::stream_base::client,
                                      asio::redirect_error(use_awaitable, ec));
        if (ec) {
            error = "A secure connection to '" + dest.host + "' cannot be made: " + ec.message();
            co_return false;
        }
        upstream.tls = std::move(tls);
    }
    upstream.key = (dest.https ? "s:" : "p:") + dest.host + ":" + std::to_string(dest.port);
    co_return true;
}

awaitable<bool> CRecordingProxy::Impl::Forward(Upstream& upstream, const Destination& dest,
                                               http::request<http::string_body>& request,
                                               http::response<http::string_body>& response,
                                               std::string& error) {
    const std::string key =
        (dest.https ? "s:" : "p:") + dest.host + ":" + std::to_string(dest.port);
    for (int attempt = 0; attempt < 2; ++attempt) {
        // A kept connection may have been closed by the server meanwhile: one retry on a new one.
        const bool reused = upstream.key == key;
        if (!reused && !co_await Connect(upstream, dest, error))
            co_return false;
        error_code ec;
        std::optional<http::response_parser<http::string_body>> parser;
        const auto newParser = [&] {
            parser.emplace();
            parser->header_limit(static_cast<std::uint32_t>(options.nHeaderLimit));
            parser->body_limit(options.nBodyLimit);
            if (request.method() == http::verb::head)
                parser->skip(true);
        };
        newParser();
        bool gotResponse = false;
        auto exchange = [&](auto& stream) -> awaitable<void> {
            beast::get_lowest_layer(stream).expires_after(kResponseTimeout);
            co_await http::async_write(stream, request, asio::redirect_error(use_awaitable, ec));
            if (ec)
                co_return;
            for (;;) {
                co_await http::async_read_header(stream, upstream.buffer, *parser,
                                                 asio::redirect_error(use_awaitable, ec));
                if (ec)
                    co_return;
                gotResponse = true;
                const int status = parser->get().result_int();
                if (status < 100 || status >= 200 || status == 101)
                    break;
                // Interim answers (100 Continue) are not passed on; read the final one.
                newParser();
            }
            co_await http::async_read(stream, upstream.buffer, *parser,
                                      asio::redirect_error(use_awaitable, ec));
        };
        if (upstream.tls)
            co_await exchange(*upstream.tls);
        else
            co_await exchange(*upstream.plain);
        if (!ec) {
            const bool reusable = parser->keep_alive() && !parser->need_eof();
            response = parser->release();
            if (!reusable)
                upstream.Reset();
            co_return true;
        }
        upstream.Reset();
        if (!(reused && !gotResponse)) {
            if (ec == http::error::body_limit)
                error = "The response of '" + dest.host + "' is too large to record.";
            else if (ec == http::error::header_limit)
                error = "The response headers of '" + dest.host + "' are too large.";
            else
                error = "No valid response came from '" + dest.host + "': " + ec.message();
            co_return false;
        }
    }
    error = "No response came from '" + dest.host + "'.";
    co_return false;
}

// Serves requests until the connection ends. Returns a CONNECT request (only when fixed is
// empty) for the caller to turn the connection into a tunnel.
template <class ClientStream>
awaitable<std::optional<http::request<http::string_body>>>
CRecordingProxy::Impl::ServeHttp(ClientStream& client, beast::flat_buffer& buffer,
                                 const std::optional<Destination>& fixed) {
    Upstream upstream;
    for (;;) {
        http::request_parser<http::string_body> parser;
        parser.header_limit(static_cast<std::uint32_t>(options.nHeaderLimit));
        parser.body_limit(options.nBodyLimit);
        error_code ec;
        beast::get_lowest_layer(client).expires_after(kIdleTimeout);
        co_await http::async_read(client, buffer, parser, asio::redirect_error(use_awaitable, ec));
        if (ec == http::error::header_limit) {
            auto page = ErrorPage(http::status::request_header_fields_too_large,
                                  "Request headers too large",
                                  "The request's headers exceed the recorder's limit.");
            co_await WriteMessage(client, page);
            co_return std::nullopt;
        }
        if (ec == http::error::body_limit) {
            auto page = ErrorPage(http::status::payload_too_large, "Request too large",
                                  "The request's body exceeds the recorder's limit.");
            co_await WriteMessage(client, page);
            co_return std::nullopt;
        }
        if (ec && &ec.category() == &http::make_error_code(http::error::bad_target).category() &&
            ec != http::error::end_of_stream && ec != http::error::partial_message) {
            auto page = ErrorPage(http::status::bad_request, "Bad request",
                                  "The request could not be read: " + ec.message());
            co_await WriteMessage(client, page);
            co_return std::nullopt;
        }
        if (ec)
            co_return std::nullopt; // closed, reset or timed out
        http::request<http::string_body> request = parser.release();
        const bool clientKeepAlive = request.keep_alive();

        Destination dest;
        std::string path;
        if (fixed) {
            dest = *fixed;
            path = std::string(AsView(request.target()));
            if (path.empty() || path.front() != '/') {
                Destination ignored;
                if (!ParseAbsoluteTarget(path, ignored, path))
                    path = "/";
            }
        } else if (request.method() == http::verb::connect) {
            co_return std::optional(std::move(request));
        } else if (!ParseAbsoluteTarget(AsView(request.target()), dest, path)) {
            auto page = ErrorPage(http::status::bad_request, "Not a proxy request",
                                  "The recorder forwards requests of the form "
                                  "'http://host/path' and CONNECT tunnels only.");
            co_await WriteMessage(client, page);
            co_return std::nullopt;
        }

        request.target(path);
        StripHopByHop(request.base());
        if (request.find(http::field::host) == request.end())
            request.set(http::field::host, DisplayHost(dest));
        request.keep_alive(true);
        if (!request.body().empty() || request.method() == http::verb::post)
            request.prepare_payload();

        http::response<http::string_body> response;
        std::string error;
        if (!co_await Forward(upstream, dest, request, response, error)) {
            const bool self = error.find("proxy itself") != std::string::npos;
            auto page = ErrorPage(self ? http::status::loop_detected : http::status::bad_gateway,
                                  self ? "Request refused" : "Cannot forward the request", error);
            if (!co_await WriteMessage(client, page))
                co_return std::nullopt;
            co_return std::nullopt;
        }

        StripHopByHop(response.base());
        const int status = response.result_int();
        if (request.method() != http::verb::head && status != 204 && status != 304)
            response.prepare_payload();
        response.keep_alive(clientKeepAlive);

        if (IsRecorded(dest.port)) {
            CRecordedRequest recorded;
            recorded.nSequence = ++sequence;
            recorded.nMethod = MethodValue(request.method());
            recorded.bHttps = dest.https;
            recorded.nStatus = static_cast<std::uint32_t>(status);
            recorded.strHost = DisplayHost(dest);
            recorded.strPath = path;
            recorded.strContentType = std::string(AsView(response[http::field::content_type]));
            recorded.nPort = dest.port;
            recorded.strBody = std::move(request.body());
            report(std::move(recorded));
        }
        if (!co_await WriteMessage(client, response) || !clientKeepAlive)
            co_return std::nullopt;
    }
}

awaitable<void> Pump(std::shared_ptr<void> keep, beast::tcp_stream& from, beast::tcp_stream& to) {
    std::array<char, 16384> data{};
    for (;;) {
        error_code ec;
        from.expires_after(kTunnelIdleTimeout);
        const std::size_t n = co_await from.async_read_some(
            asio::buffer(data), asio::redirect_error(use_awaitable, ec));
        if (ec)
            break;
        to.expires_after(kIdleTimeout);
        co_await asio::async_write(to, asio::buffer(data.data(), n),
                                   asio::redirect_error(use_awaitable, ec));
        if (ec)
            break;
    }
    error_code ignored;
    to.socket().shutdown(tcp::socket::shutdown_send, ignored);
    (void)keep;
}

awaitable<void> CRecordingProxy::Impl::HandleConnect(beast::tcp_stream client,
                                                     beast::flat_buffer buffer,
                                                     http::request<http::string_body> request) {
    Destination dest;
    const std::string_view target = AsView(request.target());
    if (target.find(':') == std::string_view::npos || !ParseAuthority(target, 443, dest)) {
        auto page = ErrorPage(http::status::bad_request, "Bad tunnel request",
                              "CONNECT needs a target of the form 'host:port'.");
        co_await WriteMessage(client, page);
        co_return;
    }
    static constexpr std::string_view established = "HTTP/1.1 200 Connection established\r\n\r\n";
    error_code ec;

    if (!IsRecorded(dest.port) || !options.pAuthority || !options.pAuthority->IsValid()) {
        // Not recorded: a plain tunnel to the destination.
        Upstream upstream;
        std::string error;
        if (!co_await Connect(upstream, dest, error)) {
            const bool self = error.find("proxy itself") != std::string::npos;
            auto page = ErrorPage(self ? http::status::loop_detected : http::status::bad_gateway,
                                  self ? "Request refused" : "Cannot open the tunnel", error);
            co_await WriteMessage(client, page);
            co_return;
        }
        struct Tunnel {
            beast::tcp_stream a;
            beast::tcp_stream b;
        };
        auto tunnel =
            std::make_shared<Tunnel>(Tunnel{std::move(client), std::move(*upstream.plain)});
        tunnel->a.expires_after(kIdleTimeout);
        co_await asio::async_write(tunnel->a, asio::buffer(established),
                                   asio::redirect_error(use_awaitable, ec));
        if (ec)
            co_return;
        if (buffer.size() > 0) {
            co_await asio::async_write(tunnel->b, buffer.data(),
                                       asio::redirect_error(use_awaitable, ec));
            if (ec)
                co_return;
        }
        asio::co_spawn(co_await asio::this_coro::executor, Pump(tunnel, tunnel->b, tunnel->a),
                       Contain);
        co_await Pump(tunnel, tunnel->a, tunnel->b);
        co_return;
    }

    client.expires_after(kIdleTimeout);
    co_await asio::async_write(client, asio::buffer(established),
                               asio::redirect_error(use_awaitable, ec));
    if (ec)
        co_return;
    if (buffer.size() == 0) {
        auto space = buffer.prepare(4096);
        const std::size_t n =
            co_await client.async_read_some(space, asio::redirect_error(use_awaitable, ec));
        if (ec)
            co_return;
        buffer.commit(n);
    }
    const auto first = static_cast<const unsigned char*>(buffer.data().data())[0];
    if (first != 0x16) {
        // Plain HTTP inside the tunnel.
        dest.https = false;
        co_await ServeHttp(client, buffer, dest);
        co_return;
    }
    dest.https = true;
    X509* cert = options.pAuthority->LeafCertificate(dest.host);
    if (!cert)
        co_return;
    beast::ssl_stream<beast::tcp_stream> tls(std::move(client), serverTls);
    SSL* handle = tls.native_handle();
    if (SSL_use_certificate(handle, cert) != 1 ||
        SSL_use_PrivateKey(handle, options.pAuthority->LeafKey()) != 1 ||
        SSL_add1_chain_cert(handle, options.pAuthority->CACertificate()) != 1)
        co_return;
    beast::get_lowest_layer(tls).expires_after(kIdleTimeout);
    const std::size_t used = co_await tls.async_handshake(ssl::stream_base::server, buffer.data(),
                                                          asio::redirect_error(use_awaitable, ec));
    if (ec)
        co_return;
    buffer.consume(used);
    co_await ServeHttp(tls, buffer, dest);
    beast::get_lowest_layer(tls).expires_after(std::chrono::seconds(2));
    co_await tls.async_shutdown(asio::redirect_error(use_awaitable, ec));
}

awaitable<void> CRecordingProxy::Impl::Session(tcp::socket socket) {
    error_code ec;
    socket.set_option(tcp::no_delay(true), ec);
    beast::tcp_stream client(std::move(socket));
    beast::flat_buffer buffer;
    auto connect = co_await ServeHttp(client, buffer, std::nullopt);
    if (connect)
        co_await HandleConnect(std::move(client), std::move(buffer), std::move(*connect));
}

CRecordingProxy::CRecordingProxy(CProxyOptions options, ReportFn report)
    : m_impl(std::make_unique<Impl>(std::move(options), std::move(report))) {}

CRecordingProxy::~CRecordingProxy() {
    Stop();
}

std::uint16_t CRecordingProxy::Port() const {
    return m_impl->port.load();
}

bool CRecordingProxy::Start(std::string& error) {
    Impl& d = *m_impl;
    if (d.running) {
        error = "the proxy runs already";
        return false;
    }
    error_code ec;
    d.clientTls.set_default_verify_paths(ec);
    if (!d.options.strTrustFile.empty()) {
        d.clientTls.load_verify_file(d.options.strTrustFile, ec);
        if (ec) {
            error = "cannot read the trusted authorities of " + d.options.strTrustFile;
            return false;
        }
    }
    d.clientTls.set_verify_mode(ssl::verify_peer);
    d.serverTls.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                            ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                            ssl::context::no_tlsv1_1);
    d.acceptor.emplace(d.ioc);
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), 0);
    d.acceptor->open(endpoint.protocol(), ec);
    if (!ec)
        d.acceptor->bind(endpoint, ec);
    if (!ec)
        d.acceptor->listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on 127.0.0.1: " + ec.message();
        d.acceptor.reset();
        return false;
    }
    d.port = d.acceptor->local_endpoint().port();
    asio::co_spawn(d.ioc, d.Listen(), Contain);
    const int threads = std::max(1, d.options.nThreads);
    for (int i = 0; i < threads; ++i)
        d.threads.emplace_back([&d] { d.ioc.run(); });
    d.running = true;
    return true;
}

void CRecordingProxy::Stop() {
    Impl& d = *m_impl;
    if (!d.running)
        return;
    asio::post(d.ioc, [&d] {
        error_code ec;
        d.acceptor->close(ec);
    });
    d.ioc.stop();
    for (auto& t : d.threads)
        t.join();
    d.threads.clear();
    d.running = false;
    d.port = 0;
}
