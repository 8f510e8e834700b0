#include "originserver.h"

#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>

#include <list>
#include <mutex>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

struct COriginServer::Impl {
    OriginHandler handler;
    asio::io_context ioc;
    tcp::acceptor acceptor{ioc};
    asio::ssl::context tls{asio::ssl::context::tls_server};
    bool useTls = false;
    std::thread acceptThread;
    std::mutex mutex;
    std::list<std::thread> workers;
    std::list<std::shared_ptr<tcp::socket>> sockets;
    std::atomic<int> requests{0};
    std::atomic<bool> stopping{false};

    template <class Stream> void Serve(Stream& stream) {
        beast::flat_buffer buffer;
        for (;;) {
            OriginRequest request;
            beast::error_code ec;
            http::read(stream, buffer, request, ec);
            if (ec)
                return;
            ++requests;
            OriginResponse response = handler(request);
            response.keep_alive(request.keep_alive());
            http::write(stream, response, ec);
            if (ec || !request.keep_alive())
                return;
        }
    }

    void Accept() {
        for (;;) {
            auto socket = std::make_shared<tcp::socket>(ioc);
            beast::error_code ec;
            acceptor.accept(*socket, ec);
            if (stopping)
                return;
            if (ec)
                continue;
            std::lock_guard guard(mutex);
            sockets.push_back(socket);
            workers.emplace_back([this, socket] {
                if (useTls) {
                    asio::ssl::stream<tcp::socket&> stream(*socket, tls);
                    beast::error_code ec2;
                    stream.handshake(asio::ssl::stream_base::server, ec2);
                    if (!ec2)
                        Serve(stream);
                } else {
                    Serve(*socket);
                }
                beast::error_code ignored;
                socket->shutdown(tcp::socket::shutdown_both, ignored);
            });
        }
    }
};

COriginServer::COriginServer(OriginHandler handler, X509* cert, EVP_PKEY* key)
    : m_impl(std::make_unique<Impl>()) {
    m_impl->handler = std::move(handler);
    if (cert && key) {
        SSL_CTX_use_certificate(m_impl->tls.native_handle(), cert);
        SSL_CTX_use_PrivateKey(m_impl->tls.native_handle(), key);
        m_impl->useTls = true;
    }
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), 0);
    m_impl->acceptor.open(endpoint.protocol());
    m_impl->acceptor.bind(endpoint);
    m_impl->acceptor.listen(asio::socket_base::max_listen_connections);
    m_impl->acceptThread = std::thread([this] { m_impl->Accept(); });
}

COriginServer::~COriginServer() {
    m_impl->stopping = true;
    {
        // Wakes the blocking accept with a connection of our own.
        tcp::socket poke(m_impl->ioc);
        beast::error_code ec;
        poke.connect(m_impl->acceptor.local_endpoint(), ec);
        m_impl->acceptThread.join();
    }
    std::lock_guard guard(m_impl->mutex);
    for (auto& s : m_impl->sockets) {
        beast::error_code ec;
        s->shutdown(tcp::socket::shutdown_both, ec);
    }
    for (auto& t : m_impl->workers)
        t.join();
}

std::uint16_t COriginServer::Port() const {
    return m_impl->acceptor.local_endpoint().port();
}
int COriginServer::RequestCount() const {
    return m_impl->requests.load();
}

OriginResponse MakeOriginResponse(const OriginRequest& request, const std::string& contentType,
                                  std::string body, http::status status) {
    OriginResponse response{status, request.version()};
    response.set(http::field::content_type, contentType);
    response.body() = std::move(body);
    response.prepare_payload();
    return response;
}
