// The score board on HTTP: Boost.Beast's parser on Asio, one event loop for
// every connection, the front's limits around it.
#pragma once

#include "server/Board.h"
#include "server/HttpLimits.h"
#include "server/RateLimiter.h"
#include "server/TrustedProxies.h"

#include <QString>
#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace skore {

class HttpConnection;

// The game posts to /skore/pridejv.asp; players read /skore. Everything that
// decides what a reply says lives in Board; this class carries bytes, counts
// connections and ends them.
class HttpServer {
public:
    HttpServer(Board &board, HttpLimits limits = {}, int threads = 1, TrustedProxies proxies = {});
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Binds the address; port 0 takes any free port. false when it cannot.
    bool bind(const QString &host, int port);
    int port() const { return m_port; }

    // Serves until shutdown() has ended every connection.
    void run();
    // Serves on threads of its own until stop(): for tests and embedding.
    void start();
    // Stops accepting, lets requests in progress finish within the limits'
    // grace, closes the rest. Safe from any thread, also a signal's.
    void shutdown();
    // shutdown() and waits for the serving threads.
    void stop();

    // Open connections now: for tests and the log.
    int connections() const;

private:
    friend class HttpConnection;

    // Whether the database thread may still hand answers to connections:
    // closed before the event loop goes away.
    struct Gate {
        std::mutex mutex;
        bool open = true;
    };

    void accept();
    void refuse(boost::asio::ip::tcp::socket &socket, int status);
    void release(const RateLimiter::Key &key, HttpConnection *connection);
    void beginShutdown();
    void sweepRateLimiter();

    Board &m_board;
    const HttpLimits m_limits;
    const int m_threads;
    const TrustedProxies m_proxies;
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
    std::vector<std::thread> m_workers;
    int m_port = -1;

    // Declared before the event loop: connections still queued in it when
    // it is destroyed release themselves here.
    mutable std::mutex m_mutex;
    std::map<RateLimiter::Key, int> m_perClient;
    std::unordered_map<HttpConnection *, std::weak_ptr<HttpConnection>> m_open;
    bool m_shuttingDown = false;
    bool m_stopped = false;
    std::atomic<bool> m_shutdownAsked{false};

    boost::asio::io_context m_io;
    // The acceptor and the server's timers run on one strand.
    boost::asio::strand<boost::asio::io_context::executor_type> m_strand;
    boost::asio::ip::tcp::acceptor m_acceptor;
    boost::asio::steady_timer m_retryAccept;
    boost::asio::steady_timer m_sweep;
    boost::asio::steady_timer m_grace;
};

} // namespace skore
