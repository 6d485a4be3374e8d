// The score board on HTTP: Boost.Beast's parser on Asio, one event loop for
// every connection, the front's limits around it.
#pragma once

#include "server/Board.h"
#include "server/HttpFront.h"
#include "server/HttpLimits.h"
#include "server/TrustedProxies.h"

#include <QString>
#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <memory>
#include <thread>
#include <vector>

namespace skore {

// The game posts to /skore/pridejv.asp; players read /skore. Everything that
// decides what a reply says lives in Board; each connection reads and answers
// its requests itself (HttpConnection). This class only listens: it accepts,
// gives out slots, and stops.
class HttpServer {
public:
    HttpServer(Board &board, HttpLimits limits = {}, int threads = 1, TrustedProxies proxies = {});
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Binds the address; port 0 takes any free port. false when it cannot.
    bool bind(const QString &host, int port);
    int port() const { return m_port; }

    // Serves until shutdown() has ended every connection; returns at once
    // when shutdown() came first.
    void run();
    // Serves on threads of its own until stop(): for tests and embedding.
    void start();
    // Stops accepting, lets requests in progress finish within the limits'
    // grace, closes the rest. Safe from any thread, also a signal's, and
    // before run().
    void shutdown();
    // shutdown() and waits for the serving threads.
    void stop();

    // Open connections now: for tests and the log.
    int connections() const;
    // Of those, the ones waiting for a request, which a newcomer may evict:
    // for tests, whose client reads a reply before the server is done with it.
    int silentConnections() const;

private:
    void accept();
    void beginShutdown();
    void endGrace();
    void sweepRateLimiter();
    void closeGate();

    const std::shared_ptr<HttpFront> m_front;
    const int m_threads;
    std::vector<std::thread> m_workers;
    int m_port = -1;
    std::atomic<bool> m_shutdownAsked{false};

    boost::asio::io_context m_io;
    // The acceptor and the server's timers run on one strand; so does
    // m_stopping, which every handler there asks before it goes on.
    boost::asio::strand<boost::asio::io_context::executor_type> m_strand;
    bool m_stopping = false;
    boost::asio::ip::tcp::acceptor m_acceptor;
    boost::asio::steady_timer m_retryAccept;
    boost::asio::steady_timer m_sweep;
    boost::asio::steady_timer m_grace;
};

} // namespace skore
