// One client's connection to the score board: reading requests within the
// limits, answering them in order, and closing on time.
#pragma once

#include "server/Board.h"
#include "server/RateLimiter.h"
#include "server/RequestParser.h"

#include <array>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/read_size.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace skore {

class HttpServer;

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    // counted: the connection is one of its address's (a trusted proxy's are not).
    HttpConnection(HttpServer &server, boost::asio::ip::tcp::socket socket, std::string peer,
                   RateLimiter::Key key, bool counted);
    ~HttpConnection();
    HttpConnection(const HttpConnection &) = delete;
    HttpConnection &operator=(const HttpConnection &) = delete;

    void start();
    // The server is stopping: a connection waiting for a request closes now,
    // one with a request in progress after its reply. Runs on the connection's strand.
    void shutdown();
    // Closes at once. Runs on the connection's strand.
    void close();

    boost::asio::any_io_executor executor() { return m_stream.get_executor(); }
    const RateLimiter::Key &key() const { return m_key; }
    bool counted() const { return m_counted; }

private:
    // Idle: waiting for a request's first byte; Head/Body: reading them, each
    // under its deadline; Busy: a request is being answered; Lingering: the
    // last reply went out, the rest of what the client sends is thrown away.
    enum class Phase { Idle, Head, Body, Busy, Lingering, Closed };

    void read();
    void onRead(boost::beast::error_code ec, std::size_t bytes);
    void parse();
    void handle();
    void handlePost(const std::string &client, std::string body);
    void answerPost(Board::Reply reply);
    void refuse(RequestParser::Fault fault);
    void send(const Board::Reply &reply, const char *cacheControl, const char *allow = nullptr);
    void onWritten(boost::beast::error_code ec);
    void linger();
    void logRequest(int status) const;

    HttpServer &m_server;
    boost::beast::tcp_stream m_stream;
    boost::beast::flat_buffer m_buffer;
    std::optional<RequestParser> m_parser;
    const std::string m_peer;
    const RateLimiter::Key m_key;
    const bool m_counted;
    Phase m_phase = Phase::Idle;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_closeAfterReply = false;
    bool m_head = false;
    std::string m_method;
    std::string m_target;

    // The reply being written: the head built here, the body shared with the board.
    std::string m_replyHead;
    std::shared_ptr<const std::string> m_replyBody;

    std::unique_ptr<Board::Pending> m_pending;
    boost::asio::steady_timer m_postTimer;
    std::array<char, 2048> m_discard{};
    std::size_t m_discarded = 0;
};

} // namespace skore
