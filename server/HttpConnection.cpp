#include "server/HttpConnection.h"

#include "server/HttpServer.h"
#include "server/Log.h"
#include "server/Submission.h"

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/error.hpp>

namespace skore {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using Clock = std::chrono::steady_clock;

namespace {

// A request's head and body are parsed from this buffer; its bound is the
// head's limit with room for the start of the body.
constexpr std::size_t kBufferBytes = 16 * 1024;
// What is read and thrown away after a last reply, so the client reads the
// reply instead of a reset connection.
constexpr std::size_t kLingerBytes = 64 * 1024;
constexpr std::chrono::seconds kLingerTime{2};

const char *reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

// The pages of the front's own refusals, drawn once.
const Board::Reply &faultReply(RequestParser::Fault fault) {
    static const Board::Reply headTooLarge =
        Board::error(431, QStringLiteral("Příliš velká hlavička požadavku"),
                     QStringLiteral("Hlavička požadavku smí mít nejvýše 8192 bajtů a 100 polí."));
    static const Board::Reply lengthRequired = Board::error(
        411, QStringLiteral("Chybí délka formuláře"),
        QStringLiteral("Formulář s výsledky se odesílá s hlavičkou Content-Length nebo po "
                       "částech (Transfer-Encoding: chunked)."));
    static const Board::Reply malformed =
        Board::error(400, QStringLiteral("Chybný požadavek"),
                     QStringLiteral("Server výsledků tomuto požadavku nerozumí."));
    static const Board::Reply tooLarge = Board::tooLarge();
    switch (fault) {
    case RequestParser::Fault::HeadTooLarge:
    case RequestParser::Fault::TooManyFields:
        return headTooLarge;
    case RequestParser::Fault::BodyTooLarge:
        return tooLarge;
    case RequestParser::Fault::LengthRequired:
        return lengthRequired;
    default:
        return malformed;
    }
}

} // namespace

HttpConnection::HttpConnection(HttpServer &server, asio::ip::tcp::socket socket, std::string peer,
                               RateLimiter::Key key, bool counted)
    : m_server(server), m_stream(std::move(socket)), m_buffer(kBufferBytes),
      m_peer(std::move(peer)), m_key(key), m_counted(counted),
      m_postTimer(m_stream.get_executor()) {}

HttpConnection::~HttpConnection() {
    m_server.release(m_key, this);
}

void HttpConnection::start() {
    beast::error_code ignored;
    // The head and the body of a reply go out in one write; no need to wait
    // for the client's ACK between replies.
    m_stream.socket().set_option(asio::ip::tcp::no_delay(true), ignored);
    read();
}

void HttpConnection::shutdown() {
    m_closeAfterReply = true;
    if (m_phase == Phase::Idle && m_buffer.size() == 0)
        close();
}

void HttpConnection::close() {
    if (m_phase == Phase::Closed)
        return;
    m_phase = Phase::Closed;
    m_postTimer.cancel();
    if (m_pending)
        m_pending->giveUp();
    beast::error_code ignored;
    m_stream.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    m_stream.close();
}

void HttpConnection::read() {
    // The deadline is given to the stream only here, when a read waits: a
    // request that came whole costs no timer but the write's.
    if (m_phase == Phase::Idle)
        m_stream.expires_after(m_server.m_limits.idleTimeout);
    else
        m_stream.expires_at(m_deadline);
    const std::size_t room = beast::read_size(m_buffer, 4096);
    if (room == 0) {
        refuse(RequestParser::Fault::HeadTooLarge);
        return;
    }
    m_stream.async_read_some(
        m_buffer.prepare(room),
        [self = shared_from_this()](beast::error_code ec, std::size_t n) { self->onRead(ec, n); });
}

void HttpConnection::onRead(beast::error_code ec, std::size_t bytes) {
    if (m_phase == Phase::Closed)
        return;
    // A deadline that passed has closed the socket already (Beast's stream
    // does so): a client too slow for it gets no reply, as one that left.
    if (ec) {
        close();
        return;
    }
    m_buffer.commit(bytes);
    parse();
}

void HttpConnection::parse() {
    const HttpLimits &limits = m_server.m_limits;
    for (;;) {
        if (m_buffer.size() == 0) {
            if (m_closeAfterReply && m_phase == Phase::Idle) {
                close();
                return;
            }
            read();
            return;
        }
        if (!m_parser) {
            m_parser.emplace(limits);
            m_parser->eager(true);
        }
        if (m_phase == Phase::Idle) {
            // The head's deadline runs from its first byte.
            m_phase = Phase::Head;
            m_deadline = Clock::now() + limits.headDeadline;
        }
        beast::error_code ec;
        const std::size_t used = m_parser->put(m_buffer.data(), ec);
        m_buffer.consume(used);
        if (m_phase == Phase::Head && m_parser->is_header_done()) {
            m_phase = Phase::Body;
            m_deadline = Clock::now() + limits.bodyDeadline;
        }
        if (ec == http::error::need_more) {
            read();
            return;
        }
        if (ec) {
            refuse(m_parser->faultOf(ec));
            return;
        }
        if (m_parser->is_done()) {
            handle();
            return;
        }
        if (used == 0) {
            read();
            return;
        }
    }
}

void HttpConnection::handle() {
    m_phase = Phase::Busy;
    RequestParser &request = *m_parser;
    if (!request.keep_alive())
        m_closeAfterReply = true;
    m_method = std::string(http::to_string(request.method));
    m_target = std::move(request.target);
    m_head = request.method == http::verb::head;
    const bool reading = request.method == http::verb::get || m_head;
    const std::string path = m_target.substr(0, m_target.find('?'));

    if (path == "/skore" || path == "/skore/") {
        if (reading)
            send(m_server.m_board.page(), "no-cache");
        else
            send(Board::methodNotAllowed(), "no-store", "GET, HEAD");
    } else if (path == "/skore/pridejv.asp") {
        if (request.method == http::verb::post)
            handlePost(m_server.m_proxies.clientOf(m_peer, request.forwardedFor),
                       std::move(request.body));
        else
            send(Board::methodNotAllowed(), "no-store", "POST");
    } else {
        send(Board::notFound(), "no-store");
    }
}

void HttpConnection::handlePost(const std::string &client, std::string body) {
    m_parser.reset();
    std::shared_ptr<HttpServer::Gate> gate = m_server.m_gate;
    // The answer may come from the database thread: it reaches the connection
    // through its strand, and only while the server's event loop is there.
    auto answer = [weak = weak_from_this(), gate](Board::Reply reply) {
        std::lock_guard lock(gate->mutex);
        if (!gate->open)
            return;
        if (std::shared_ptr<HttpConnection> self = weak.lock())
            asio::post(self->executor(), [self, reply = std::move(reply)]() mutable {
                self->answerPost(std::move(reply));
            });
    };
    // The read's deadline must not close the connection while the post waits.
    m_stream.expires_after(m_server.m_board.options().postWait + m_server.m_limits.writeDeadline);
    m_pending = m_server.m_board.post(body, client, std::move(answer));
    if (!m_pending)
        return;
    m_postTimer.expires_after(m_server.m_board.options().postWait);
    m_postTimer.async_wait([self = shared_from_this()](beast::error_code ec) {
        if (!ec && self->m_pending && self->m_pending->giveUp())
            self->answerPost(Board::unavailable());
    });
}

void HttpConnection::answerPost(Board::Reply reply) {
    if (m_phase != Phase::Busy)
        return;
    m_postTimer.cancel();
    m_pending.reset();
    send(reply, "no-store");
}

void HttpConnection::refuse(RequestParser::Fault fault) {
    m_method.clear();
    m_target.clear();
    m_closeAfterReply = true;
    send(faultReply(fault), "no-store");
}

void HttpConnection::send(const Board::Reply &reply, const char *cacheControl, const char *allow) {
    m_phase = Phase::Busy;
    m_parser.reset();
    logRequest(reply.status);
    m_replyBody = reply.body;
    std::string &h = m_replyHead;
    h.clear();
    h += "HTTP/1.1 ";
    h += std::to_string(reply.status);
    h += ' ';
    h += reason(reply.status);
    // The pages have no scripts and load nothing; say so to the browser too.
    h += "\r\nContent-Type: text/html; charset=utf-8\r\n"
         "X-Content-Type-Options: nosniff\r\n"
         "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'\r\n"
         "Referrer-Policy: no-referrer\r\nCache-Control: ";
    h += cacheControl;
    h += "\r\nContent-Length: ";
    h += std::to_string(m_replyBody->size());
    h += "\r\n";
    if (reply.retryAfterSeconds > 0)
        h += "Retry-After: " + std::to_string(reply.retryAfterSeconds) + "\r\n";
    if (allow)
        h += std::string("Allow: ") + allow + "\r\n";
    if (m_closeAfterReply)
        h += "Connection: close\r\n";
    h += "\r\n";

    std::array<asio::const_buffer, 2> buffers{asio::buffer(m_replyHead),
                                              asio::buffer(*m_replyBody)};
    if (m_head)
        buffers[1] = asio::const_buffer();
    m_stream.expires_after(m_server.m_limits.writeDeadline);
    asio::async_write(
        m_stream, buffers,
        [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onWritten(ec); });
}

void HttpConnection::onWritten(beast::error_code ec) {
    m_replyBody.reset();
    m_head = false;
    if (ec || m_phase == Phase::Closed) {
        close();
        return;
    }
    if (m_closeAfterReply) {
        linger();
        return;
    }
    // The next request may be in the buffer already (pipelining): answered
    // in order, one after the other.
    m_phase = Phase::Idle;
    parse();
}

void HttpConnection::linger() {
    if (m_phase != Phase::Lingering) {
        m_phase = Phase::Lingering;
        m_discarded = 0;
        beast::error_code ignored;
        m_stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
        m_stream.expires_after(kLingerTime);
    }
    m_stream.async_read_some(
        asio::buffer(m_discard), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
            self->m_discarded += n;
            if (ec || self->m_discarded > kLingerBytes || self->m_phase != Phase::Lingering)
                self->close();
            else
                self->linger();
        });
}

void HttpConnection::logRequest(int status) const {
    // What was asked and how it went, never who asked.
    if (log::enabled(log::Level::Debug))
        log::debug(QStringLiteral("%1 %2 → %3")
                       .arg(m_method.empty() ? QStringLiteral("-") : log::printable(m_method),
                            m_target.empty() ? QStringLiteral("-") : log::printable(m_target),
                            QString::number(status)));
}

} // namespace skore
