#include "server/HttpServer.h"

#include "server/Log.h"
#include "server/Pages.h"
#include "server/Submission.h"

#include <QElapsedTimer>
#include <httplib.h>

namespace skore {

namespace {

constexpr char kHtml[] = "text/html; charset=utf-8";

void send(httplib::Response &res, const Board::Reply &reply, const char *cacheControl) {
    res.status = reply.status;
    res.set_content(reply.html, kHtml);
    res.set_header("Cache-Control", cacheControl);
    if (reply.retryAfterSeconds > 0)
        res.set_header("Retry-After", std::to_string(reply.retryAfterSeconds));
}

} // namespace

HttpServer::HttpServer(Board &board, int threads)
    : m_board(board), m_server(std::make_unique<httplib::Server>()) {
    httplib::Server &server = *m_server;
    const auto workers = std::size_t(std::max(1, threads));
    server.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };

    // A worker serves one connection at a time; an idle browser connection
    // must not hold it long.
    server.set_keep_alive_max_count(1000);
    server.set_keep_alive_timeout(2);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    // httplib's default also sets SO_REUSEPORT, which would let a second
    // server take the same port unnoticed; an address in use must be an error.
    server.set_socket_options([](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // httplib writes the head and the body of a reply separately; with Nagle's
    // algorithm the body then waits for the client's delayed ACK (40 ms).
    server.set_tcp_nodelay(true);
    server.set_payload_max_length(std::size_t(Submission::kMaxBodyBytes));
    // The pages have no scripts and load nothing; say so to the browser too.
    server.set_default_headers({
        {"X-Content-Type-Options", "nosniff"},
        {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'"},
        {"Referrer-Policy", "no-referrer"},
    });

    server.Post("/skore/pridejv.asp", [this](const httplib::Request &req, httplib::Response &res) {
        send(res, m_board.post(req.body, req.remote_addr), "no-store");
    });
    server.Get("/skore/pridejv.asp", [](const httplib::Request &, httplib::Response &res) {
        send(res, Board::methodNotAllowed(), "no-store");
        res.set_header("Allow", "POST");
    });
    server.Get(R"(/skore/?)", [this](const httplib::Request &, httplib::Response &res) {
        send(res, m_board.page(), "no-cache");
    });
    server.Post(R"(/skore/?)", [](const httplib::Request &, httplib::Response &res) {
        send(res, Board::methodNotAllowed(), "no-store");
        res.set_header("Allow", "GET, HEAD");
    });

    // httplib answers an unknown path or an oversized body itself, with an
    // empty body: those get the board's own Czech pages.
    server.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request &, httplib::Response &res) {
            if (!res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            const int status = res.status;
            if (status == 413)
                send(res, Board::tooLarge(), "no-store");
            else if (status == 404)
                send(res, Board::notFound(), "no-store");
            else
                send(res,
                     {status,
                      pages::error(QStringLiteral("Chybný požadavek"),
                                   QStringLiteral("Server výsledků tomuto požadavku nerozumí "
                                                  "(stav HTTP %1).")
                                       .arg(status)),
                      0},
                     "no-store");
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler(
        [](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
            log::error(QStringLiteral("Neočekávaná výjimka při vyřizování požadavku."));
            send(res, Board::unavailable(), "no-store");
            res.status = 500;
        });
    // The log tells what was asked and how it went, never who asked.
    server.set_logger([](const httplib::Request &req, const httplib::Response &res) {
        if (log::enabled(log::Level::Debug))
            log::debug(QStringLiteral("%1 %2 → %3")
                           .arg(QString::fromStdString(req.method),
                                QString::fromStdString(req.path), QString::number(res.status)));
    });
}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::bind(const QString &host, int port) {
    const std::string h = host.toStdString();
    if (port == 0) {
        m_port = m_server->bind_to_any_port(h);
        return m_port > 0;
    }
    if (!m_server->bind_to_port(h, port))
        return false;
    m_port = port;
    return true;
}

void HttpServer::run() {
    m_server->listen_after_bind();
}

void HttpServer::start() {
    m_finished = false;
    m_thread = std::thread([this] {
        run();
        m_finished = true;
    });
}

void HttpServer::stop() {
    if (m_thread.joinable()) {
        // httplib ignores a stop that comes before its accept loop started.
        while (!m_server->is_running() && !m_finished)
            std::this_thread::yield();
        m_server->stop();
        m_thread.join();
    } else {
        m_server->stop();
    }
}

} // namespace skore
