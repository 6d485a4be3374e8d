// One client's connection to the score board: reading requests within the
// limits, answering them in order, and closing on time.
#pragma once

#include "server/Board.h"
#include "server/ConnectionSlots.h"
#include "server/HttpFront.h"
#include "server/RequestParser.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace skore {

// Owns its socket, its deadlines and its slot; knows of the server only what
// HttpFront shares. Every handler runs on the connection's own strand; the
// slots reach it only through Occupant, whose calls post there.
class HttpConnection : public ConnectionSlots::Occupant,
                       public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(std::shared_ptr<HttpFront> front, boost::asio::ip::tcp::socket socket,
                   std::string peer, ConnectionSlots::Slot slot);
    HttpConnection(const HttpConnection &) = delete;
    HttpConnection &operator=(const HttpConnection &) = delete;

    void start();

    void evict() override;
    // A connection waiting for a request closes now, one with a request in
    // progress after its reply.
    void drain() override;
    void close() override;

private:
    // Idle: waiting for a request's first byte; Head/Body: reading them, each
    // under its deadline; Busy: a request is being answered; Lingering: the
    // last reply went out, the rest of what the client sends is thrown away.
    enum class Phase { Idle, Head, Body, Busy, Lingering, Closed };

    void waitForRequest();
    void beginRequest();
    void read();
    void onRead(boost::beast::error_code ec, std::size_t bytes);
    void parse();
    bool skipEmptyLines();
    void sendContinue();
    void handle();
    void handlePost(const std::string &client, std::string body);
    void answerPost(Board::Reply reply);
    void refuse(RequestParser::Fault fault);
    void send(const Board::Reply &reply, const char *cacheControl, const char *allow = nullptr);
    void onWritten(boost::beast::error_code ec);
    void linger();
    void end();
    void logRequest(int status) const;

    // First: given back last, once nothing of the connection is left.
    ConnectionSlots::Slot m_slot;
    const std::shared_ptr<HttpFront> m_front;
    const HttpLimits &m_limits;
    boost::beast::tcp_stream m_stream;
    boost::beast::flat_buffer m_buffer;
    std::optional<RequestParser> m_parser;
    const std::string m_peer;
    const bool m_fromTrustedProxy;
    Phase m_phase = Phase::Idle;
    std::chrono::steady_clock::time_point m_deadline;
    // Bytes of this request taken in so far, framing included.
    std::size_t m_headBytes = 0;
    std::size_t m_bodyBytes = 0;
    bool m_closeAfterReply = false;
    bool m_head = false;
    std::string m_method;
    std::string m_target;

    // The reply being written: the head built here, the body shared with the board.
    std::string m_replyHead;
    std::shared_ptr<const std::string> m_replyBody;

    std::unique_ptr<Board::Pending> m_pending;
    boost::asio::steady_timer m_postTimer;
    std::size_t m_discarded = 0;
};

} // namespace skore
