// The score board on HTTP: routes of cpp-httplib onto the Board.
#pragma once

#include "server/Board.h"

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

namespace skore {

// The game posts to /skore/pridejv.asp; players read /skore. Everything that
// decides what a reply says lives in Board; this class only carries bytes.
class HttpServer {
public:
    explicit HttpServer(Board &board, int threads = 16);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Binds the address; port 0 takes any free port. false when it cannot.
    bool bind(const QString &host, int port);
    int port() const { return m_port; }

    // Serves until stop().
    void run();
    // Serves on a thread of its own until stop(): for tests and embedding.
    void start();
    void stop();

private:
    Board &m_board;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<bool> m_finished{false};
};

} // namespace skore
