#include "server/HttpServer.h"

#include "server/HttpConnection.h"
#include "server/Log.h"

#include <boost/asio/post.hpp>
#include <boost/asio/strand.hpp>

namespace skore {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

std::string peerAddress(const tcp::endpoint &endpoint) {
    asio::ip::address address = endpoint.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    return address.to_string();
}

// A refusal sent to a connection that is not taken on: one write that never
// waits, then the connection is closed.
std::string refusal(int status) {
    const Board::Reply reply =
        status == 429 ? Board::error(429, QStringLiteral("Příliš mnoho spojení"),
                                     QStringLiteral("Z jedné adresy může být se serverem "
                                                    "výsledků otevřeno jen několik spojení."))
                      : Board::error(503, QStringLiteral("Server je přetížen"),
                                     QStringLiteral("Server výsledků má teď otevřeno příliš "
                                                    "mnoho spojení. Zkuste to prosím za chvíli."));
    return (status == 429 ? std::string("HTTP/1.1 429 Too Many Requests\r\n")
                          : std::string("HTTP/1.1 503 Service Unavailable\r\n")) +
           "Content-Type: text/html; charset=utf-8\r\nRetry-After: 5\r\nConnection: close\r\n"
           "Content-Length: " +
           std::to_string(reply.body->size()) + "\r\n\r\n" + *reply.body;
}

} // namespace

HttpServer::HttpServer(Board &board, HttpLimits limits, int threads, TrustedProxies proxies)
    : m_board(board), m_limits(limits), m_threads(std::max(1, threads)),
      m_proxies(std::move(proxies)), m_strand(asio::make_strand(m_io)), m_acceptor(m_strand),
      m_retryAccept(m_strand), m_sweep(m_strand), m_grace(m_strand) {}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::bind(const QString &host, int port) {
    boost::system::error_code ec;
    const asio::ip::address address = asio::ip::make_address(host.toStdString(), ec);
    if (ec)
        return false;
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
    m_acceptor.open(endpoint.protocol(), ec);
    // SO_REUSEADDR only (a restart need not wait for old connections to
    // time out); never SO_REUSEPORT, which would let a second server take the
    // same port unnoticed.
    if (!ec)
        m_acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        m_acceptor.bind(endpoint, ec);
    if (!ec)
        m_acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        m_acceptor.close(ec);
        return false;
    }
    m_port = m_acceptor.local_endpoint(ec).port();
    return !ec;
}

void HttpServer::run() {
    asio::post(m_strand, [this] {
        accept();
        sweepRateLimiter();
    });
    std::vector<std::thread> extra;
    for (int i = 1; i < m_threads; ++i)
        extra.emplace_back([this] { m_io.run(); });
    m_io.run();
    for (std::thread &t : extra)
        t.join();
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    std::lock_guard lock(m_gate->mutex);
    m_gate->open = false;
}

void HttpServer::start() {
    m_workers.emplace_back([this] { run(); });
}

void HttpServer::shutdown() {
    if (m_shutdownAsked.exchange(true))
        return;
    asio::post(m_strand, [this] { beginShutdown(); });
}

void HttpServer::stop() {
    shutdown();
    for (std::thread &t : m_workers)
        t.join();
    m_workers.clear();
    std::lock_guard lock(m_gate->mutex);
    m_gate->open = false;
}

int HttpServer::connections() const {
    std::lock_guard lock(m_mutex);
    return int(m_open.size());
}

void HttpServer::accept() {
    m_acceptor.async_accept(asio::make_strand(m_io), [this](boost::system::error_code ec,
                                                            tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !m_acceptor.is_open())
            return;
        if (ec) {
            // Out of file descriptors, for one: try again shortly rather
            // than spin.
            log::warning(QStringLiteral("Spojení nelze přijmout: %1")
                             .arg(QString::fromStdString(ec.message())));
            m_retryAccept.expires_after(std::chrono::milliseconds(100));
            m_retryAccept.async_wait([this](boost::system::error_code e) {
                if (!e)
                    accept();
            });
            return;
        }
        const std::string peer = peerAddress(socket.remote_endpoint(ec));
        const RateLimiter::Key key = RateLimiter::keyOf(peer).value_or(RateLimiter::Key{});
        const bool counted = !m_proxies.contains(peer);
        std::shared_ptr<HttpConnection> connection;
        {
            std::lock_guard lock(m_mutex);
            if (int(m_open.size()) >= m_limits.totalConnections) {
                refuse(socket, 503);
            } else if (counted && m_perClient[key] >= m_limits.perClientConnections) {
                refuse(socket, 429);
            } else {
                if (counted)
                    ++m_perClient[key];
                connection =
                    std::make_shared<HttpConnection>(*this, std::move(socket), peer, key, counted);
                m_open.emplace(connection.get(), connection);
            }
        }
        if (connection)
            connection->start();
        accept();
    });
}

void HttpServer::refuse(tcp::socket &socket, int status) {
    static const std::string tooMany = refusal(429);
    static const std::string overloaded = refusal(503);
    const std::string &reply = status == 429 ? tooMany : overloaded;
    boost::system::error_code ignored;
    socket.non_blocking(true, ignored);
    socket.write_some(asio::buffer(reply), ignored);
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

void HttpServer::release(const RateLimiter::Key &key, HttpConnection *connection) {
    std::lock_guard lock(m_mutex);
    m_open.erase(connection);
    if (connection->counted()) {
        const auto found = m_perClient.find(key);
        if (found != m_perClient.end() && --found->second <= 0)
            m_perClient.erase(found);
    }
    if (m_shuttingDown && m_open.empty() && !m_stopped)
        asio::post(m_strand, [this] { m_grace.cancel(); });
}

void HttpServer::beginShutdown() {
    std::vector<std::shared_ptr<HttpConnection>> open;
    {
        std::lock_guard lock(m_mutex);
        if (m_shuttingDown)
            return;
        m_shuttingDown = true;
        for (auto &[raw, weak] : m_open)
            if (auto c = weak.lock())
                open.push_back(std::move(c));
    }
    log::info(QStringLiteral("Končím: nepřijímám další spojení, %1 otevřených dostane nejvýše "
                             "%2 ms na dokončení.")
                  .arg(open.size())
                  .arg(m_limits.shutdownGrace.count()));
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    m_retryAccept.cancel();
    m_sweep.cancel();
    for (auto &c : open)
        asio::post(c->executor(), [c] { c->shutdown(); });
    if (open.empty())
        return;
    m_grace.expires_after(m_limits.shutdownGrace);
    m_grace.async_wait([this](boost::system::error_code ec) {
        if (ec)
            return;
        std::vector<std::shared_ptr<HttpConnection>> left;
        {
            std::lock_guard lock(m_mutex);
            for (auto &[raw, weak] : m_open)
                if (auto c = weak.lock())
                    left.push_back(std::move(c));
        }
        if (!left.empty())
            log::warning(
                QStringLiteral("Zavírám %1 spojení, která nestihla skončit.").arg(left.size()));
        for (auto &c : left)
            asio::post(c->executor(), [c] { c->close(); });
    });
}

// Addresses are forgotten by the clock, not only when a later post comes:
// a quiet board keeps no address longer than its window and a little.
void HttpServer::sweepRateLimiter() {
    m_board.rateLimiter().forgetOld();
    m_sweep.expires_after(std::chrono::seconds(10));
    m_sweep.async_wait([this](boost::system::error_code ec) {
        if (!ec)
            sweepRateLimiter();
    });
}

} // namespace skore
