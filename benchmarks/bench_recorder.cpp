// Requests through the recording proxy against the same requests sent directly to the same
// local server, in one run: throughput and latency percentiles over keep-alive connections.

#include "certauthority.h"
#include "originserver.h"
#include "recordingproxy.h"

#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr int kConnections = 4;
constexpr int kRequestsPerConnection = 500;

struct Environment {
    QTemporaryDir dir;
    CCertAuthority siteCA{dir.filePath("site").toStdString()};
    CCertAuthority recorderCA{dir.filePath("recorder").toStdString()};
    COriginServer plain{
        [](const OriginRequest& r) { return MakeOriginResponse(r, "text/plain", "hello"); }};
    COriginServer secure{
        [](const OriginRequest& r) { return MakeOriginResponse(r, "text/plain", "hello"); },
        siteCA.LeafCertificate("127.0.0.1"), siteCA.LeafKey()};
    std::atomic<long> reports{0};
    std::unique_ptr<CRecordingProxy> proxy;

    Environment() {
        CProxyOptions options;
        options.httpPorts = {plain.Port()};
        options.httpsPorts = {secure.Port()};
        options.pAuthority = &recorderCA;
        options.strTrustFile = siteCA.CACertificatePath();
        proxy = std::make_unique<CRecordingProxy>(options, [this](CRecordedRequest&&) {
            reports.fetch_add(1, std::memory_order_relaxed);
        });
        std::string error;
        if (!proxy->Start(error))
            std::fprintf(stderr, "proxy: %s\n", error.c_str());
    }

    static Environment& Get() {
        static Environment env;
        return env;
    }
};

enum class Mode { DirectPlain, ProxyPlain, DirectHttps, ProxyHttps };

template <class Stream>
void Exchange(Stream& stream, const std::string& target, std::vector<double>& latencies) {
    beast::flat_buffer buffer;
    http::request<http::empty_body> request{http::verb::get, target, 11};
    request.set(http::field::host, "127.0.0.1");
    for (int i = 0; i < kRequestsPerConnection; ++i) {
        const auto start = std::chrono::steady_clock::now();
        http::write(stream, request);
        http::response<http::string_body> response;
        http::read(stream, buffer, response);
        latencies.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
}

void Client(Mode mode, std::vector<double>& latencies) {
    Environment& env = Environment::Get();
    asio::io_context ioc;
    tcp::socket socket(ioc);
    const bool viaProxy = mode == Mode::ProxyPlain || mode == Mode::ProxyHttps;
    const bool https = mode == Mode::DirectHttps || mode == Mode::ProxyHttps;
    const std::uint16_t origin = https ? env.secure.Port() : env.plain.Port();
    socket.connect(
        tcp::endpoint(asio::ip::address_v4::loopback(), viaProxy ? env.proxy->Port() : origin));
    socket.set_option(tcp::no_delay(true));
    if (!https) {
        const std::string target =
            viaProxy ? "http://127.0.0.1:" + std::to_string(origin) + "/small" : "/small";
        Exchange(socket, target, latencies);
        return;
    }
    if (viaProxy) {
        const std::string connect =
            "CONNECT 127.0.0.1:" + std::to_string(origin) + " HTTP/1.1\r\n\r\n";
        asio::write(socket, asio::buffer(connect));
        beast::flat_buffer buffer;
        http::response_parser<http::empty_body> established;
        established.skip(true);
        http::read_header(socket, buffer, established);
    }
    asio::ssl::context ctx(asio::ssl::context::tls_client);
    ctx.load_verify_file(viaProxy ? env.recorderCA.CACertificatePath()
                                  : env.siteCA.CACertificatePath());
    ctx.set_verify_mode(asio::ssl::verify_peer);
    asio::ssl::stream<tcp::socket&> tls(socket, ctx);
    tls.handshake(asio::ssl::stream_base::client);
    Exchange(tls, "/small", latencies);
}

std::map<std::string, std::pair<double, double>> g_results; // name -> (req/s, p99 µs)

void BM_Load(benchmark::State& state, Mode mode, const char* name) {
    std::vector<double> all;
    double seconds = 0;
    for (auto _ : state) {
        std::vector<std::vector<double>> latencies(kConnections);
        std::vector<std::thread> clients;
        const auto start = std::chrono::steady_clock::now();
        for (int c = 0; c < kConnections; ++c)
            clients.emplace_back([mode, &latencies, c] { Client(mode, latencies[c]); });
        for (auto& t : clients)
            t.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (auto& l : latencies)
            all.insert(all.end(), l.begin(), l.end());
    }
    std::sort(all.begin(), all.end());
    const auto pct = [&](double p) {
        return all.empty() ? 0.0 : all[static_cast<std::size_t>(p * (all.size() - 1))];
    };
    const double rate = static_cast<double>(all.size()) / seconds;
    state.counters["req_per_s"] = rate;
    state.counters["p50_us"] = pct(0.50);
    state.counters["p99_us"] = pct(0.99);
    g_results[name] = {rate, pct(0.99)};
}

} // namespace

BENCHMARK_CAPTURE(BM_Load, direct_plain, Mode::DirectPlain, "direct_plain")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, proxy_plain, Mode::ProxyPlain, "proxy_plain")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, direct_https, Mode::DirectHttps, "direct_https")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, proxy_https, Mode::ProxyHttps, "proxy_https")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* kind : {"plain", "https"}) {
        const auto direct = g_results.find(std::string("direct_") + kind);
        const auto proxy = g_results.find(std::string("proxy_") + kind);
        if (direct == g_results.end() || proxy == g_results.end())
            continue;
        std::printf("%s: proxy %.0f req/s vs direct %.0f req/s (ratio %.2fx), p99 added %.0f us\n",
                    kind, proxy->second.first, direct->second.first,
                    proxy->second.first / direct->second.first,
                    proxy->second.second - direct->second.second);
    }
    std::printf("reports: %ld\n", Environment::Get().reports.load());
    return 0;
}
