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

void refuse(tcp::socket &socket, ConnectionSlots::Refusal why) {
    static const std::string tooMany = refusal(429);
    static const std::string overloaded = refusal(503);
    const std::string &reply = why == ConnectionSlots::Refusal::Client ? tooMany : overloaded;
    boost::system::error_code ignored;
    socket.non_blocking(true, ignored);
    socket.write_some(asio::buffer(reply), ignored);
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

} // namespace

HttpServer::HttpServer(Board &board, HttpLimits limits, int threads, TrustedProxies proxies)
    : m_front(std::make_shared<HttpFront>(board, limits, std::move(proxies))),
      m_threads(std::max(1, threads)), m_strand(asio::make_strand(m_io)), m_acceptor(m_strand),
      m_retryAccept(m_strand), m_sweep(m_strand), m_grace(m_strand) {}

HttpServer::~HttpServer() {
    stop();
    // Connections still queued in the event loop go with it: none may
    // reach for the grace timer then.
    m_front->connectionSlots.whenEmpty(nullptr);
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
    // A shutdown() that came first has its handler queued before this one:
    // then nothing starts, and the loop runs out of work at once.
    asio::post(m_strand, [this] {
        if (m_stopping)
            return;
        accept();
        sweepRateLimiter();
    });
    std::vector<std::thread> extra;
    for (int i = 1; i < m_threads; ++i)
        extra.emplace_back([this] { m_io.run(); });
    m_io.run();
    for (std::thread &t : extra)
        t.join();
    m_front->connectionSlots.whenEmpty(nullptr);
    closeGate();
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
    closeGate();
}

void HttpServer::closeGate() {
    std::lock_guard lock(m_front->gateMutex);
    m_front->gateOpen = false;
}

int HttpServer::connections() const {
    return m_front->connectionSlots.open();
}

int HttpServer::silentConnections() const {
    return m_front->connectionSlots.silent();
}

void HttpServer::accept() {
    m_acceptor.async_accept(
        asio::make_strand(m_io), [this](boost::system::error_code ec, tcp::socket socket) {
            if (m_stopping || ec == asio::error::operation_aborted)
                return;
            if (ec) {
                // Out of file descriptors, for one: try again shortly rather
                // than spin.
                log::warning(QStringLiteral("Spojení nelze přijmout: %1")
                                 .arg(QString::fromStdString(ec.message())));
                m_retryAccept.expires_after(std::chrono::milliseconds(100));
                m_retryAccept.async_wait([this](boost::system::error_code e) {
                    if (!e && !m_stopping)
                        accept();
                });
                return;
            }
            const std::string peer = peerAddress(socket.remote_endpoint(ec));
            const bool counted = !m_front->proxies.contains(peer);
            ConnectionSlots::Slot slot;
            const ConnectionSlots::Refusal refused =
                m_front->connectionSlots.take(ipBytes(peer).value_or(IpBytes{}), counted, &slot);
            if (refused != ConnectionSlots::Refusal::None)
                refuse(socket, refused);
            else
                std::make_shared<HttpConnection>(m_front, std::move(socket), peer, std::move(slot))
                    ->start();
            accept();
        });
}

void HttpServer::beginShutdown() {
    m_stopping = true;
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    m_retryAccept.cancel();
    m_sweep.cancel();
    // The grace timer waits only while connections are open: the last one
    // to go ends it, on this strand.
    m_front->connectionSlots.whenEmpty(
        [this] { asio::post(m_strand, [this] { m_grace.cancel(); }); });
    const std::vector<std::shared_ptr<ConnectionSlots::Occupant>> open =
        m_front->connectionSlots.occupants();
    log::info(QStringLiteral("Končím: nepřijímám další spojení, %1 otevřených dostane nejvýše "
                             "%2 ms na dokončení.")
                  .arg(open.size())
                  .arg(m_front->limits.shutdownGrace.count()));
    for (const auto &connection : open)
        connection->drain();
    if (m_front->connectionSlots.open() == 0)
        return;
    m_grace.expires_after(m_front->limits.shutdownGrace);
    m_grace.async_wait([this](boost::system::error_code ec) {
        if (!ec)
            endGrace();
    });
}

void HttpServer::endGrace() {
    const std::vector<std::shared_ptr<ConnectionSlots::Occupant>> left =
        m_front->connectionSlots.occupants();
    if (!left.empty())
        log::warning(
            QStringLiteral("Zavírám %1 spojení, která nestihla skončit.").arg(left.size()));
    for (const auto &connection : left)
        connection->close();
}

// Addresses are forgotten by the clock, not only when a later post comes:
// a quiet board keeps no address longer than its window and a little.
void HttpServer::sweepRateLimiter() {
    m_front->board.rateLimiter().forgetOld();
    m_sweep.expires_after(m_front->limits.sweepInterval);
    // A completion already queued when shutdown cancelled the timer comes
    // without an error: m_stopping keeps it from arming the timer again.
    m_sweep.async_wait([this](boost::system::error_code ec) {
        if (!ec && !m_stopping)
            sweepRateLimiter();
    });
}

} // namespace skore
