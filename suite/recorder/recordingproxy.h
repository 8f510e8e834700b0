#pragma once
// The recording forward proxy: listens on 127.0.0.1 only, forwards plain HTTP requests and
// CONNECT tunnels, intercepts tunnels to recorded ports (TLS with certificates of the recorder's
// authority, or plain HTTP) and reports every forwarded request to a recorded port once its
// response has been received. Requests it cannot forward get an error page and no report.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCertAuthority;

struct CRecordedRequest {
    std::uint32_t nSequence = 0;
    std::uint32_t nMethod = 0; // 0 GET, 1 POST, 2 any other
    bool bHttps = false;
    std::uint32_t nStatus = 0;
    std::string strHost; // "name", or "name:port" for a port other than the scheme's default
    std::string strPath; // path with query
    std::string strContentType;
    std::uint16_t nPort = 0;
    std::string strBody; // the request's body
};

struct CProxyOptions {
    std::vector<std::uint16_t> httpPorts;
    std::vector<std::uint16_t> httpsPorts;
    CCertAuthority* pAuthority = nullptr; // Not owned; null: tunnels are never intercepted
    std::string strTrustFile;             // further CAs trusted for upstream HTTPS
    std::size_t nHeaderLimit = 64 * 1024;
    std::size_t nBodyLimit = 64 * 1024 * 1024;
    int nThreads = 2;
};

// Decimal ports separated by ","; blanks allowed, anything else in an entry drops the entry.
std::vector<std::uint16_t> ParsePortList(const std::string& text);

class CRecordingProxy {
public:
    using ReportFn = std::function<void(CRecordedRequest&&)>;

    // report is called from the proxy's threads, never after Stop() returned.
    CRecordingProxy(CProxyOptions options, ReportFn report);
    ~CRecordingProxy(); // stops
    CRecordingProxy(const CRecordingProxy&) = delete;
    CRecordingProxy& operator=(const CRecordingProxy&) = delete;

    // Binds 127.0.0.1 on a free port and starts serving. False with error set on failure.
    bool Start(std::string& error);
    void Stop();
    [[nodiscard]] std::uint16_t Port() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
