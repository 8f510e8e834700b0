#pragma once
// A small web server on 127.0.0.1 for the recorder's tests and benchmarks: one thread per
// connection, keep-alive, optionally TLS with a given certificate and key.

#include <boost/beast/http.hpp>
#include <openssl/ssl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

using OriginRequest = boost::beast::http::request<boost::beast::http::string_body>;
using OriginResponse = boost::beast::http::response<boost::beast::http::string_body>;
using OriginHandler = std::function<OriginResponse(const OriginRequest&)>;

class COriginServer {
public:
    // With cert and key (not owned, kept alive by the caller) the server speaks TLS.
    explicit COriginServer(OriginHandler handler, X509* cert = nullptr, EVP_PKEY* key = nullptr);
    ~COriginServer();
    COriginServer(const COriginServer&) = delete;
    COriginServer& operator=(const COriginServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const;
    [[nodiscard]] int RequestCount() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

OriginResponse
MakeOriginResponse(const OriginRequest& request, const std::string& contentType, std::string body,
                   boost::beast::http::status status = boost::beast::http::status::ok);
