#include "server/HttpConnection.h"

#include "server/HttpServer.h"
#include "server/Log.h"
#include "server/Submission.h"

#include <array>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/read_size.hpp>
#include <boost/beast/http/error.hpp>

namespace skore {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using Clock = std::chrono::steady_clock;

namespace {

// A request's head and body are parsed from this buffer; its bound is the
// head's limit with room for the start of the body. A connection waiting
// for a request holds none of it but the 512 bytes its read waits with.
constexpr std::size_t kBufferBytes = 16 * 1024;
constexpr std::size_t kIdleReadBytes = 512;
constexpr std::size_t kReadBytes = 4096;
// What is read and thrown away after a last reply, so the client reads the
// reply instead of a reset connection.
constexpr std::size_t kLingerBytes = 64 * 1024;
constexpr std::size_t kLingerReadBytes = 2048;
constexpr std::chrono::seconds kLingerTime{2};
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

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

HttpConnection::HttpConnection(std::shared_ptr<HttpFront> front, asio::ip::tcp::socket socket,
                               std::string peer, ConnectionSlots::Slot slot)
    : m_slot(std::move(slot)), m_front(std::move(front)), m_limits(m_front->limits),
      m_stream(std::move(socket)), m_buffer(kBufferBytes), m_peer(std::move(peer)),
      m_fromTrustedProxy(m_front->proxies.contains(m_peer)), m_postTimer(m_stream.get_executor()) {}

void HttpConnection::start() {
    m_slot.occupy(weak_from_this());
    asio::dispatch(m_stream.get_executor(), [self = shared_from_this()] {
        beast::error_code ignored;
        // The head and the body of a reply go out in one write; no need to
        // wait for the client's ACK between replies.
        self->m_stream.socket().set_option(asio::ip::tcp::no_delay(true), ignored);
        self->read();
    });
}

void HttpConnection::evict() {
    asio::post(m_stream.get_executor(), [self = shared_from_this()] { self->end(); });
}

void HttpConnection::drain() {
    asio::post(m_stream.get_executor(), [self = shared_from_this()] {
        self->m_closeAfterReply = true;
        if (self->m_phase == Phase::Idle)
            self->end();
    });
}

void HttpConnection::close() {
    asio::post(m_stream.get_executor(), [self = shared_from_this()] { self->end(); });
}

void HttpConnection::end() {
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

// Between requests a connection is one of the silent ones, the first to be
// evicted, and gives back what the last request made it hold.
void HttpConnection::waitForRequest() {
    m_phase = Phase::Idle;
    if (m_closeAfterReply) {
        end();
        return;
    }
    m_slot.idle();
    m_buffer.shrink_to_fit();
    std::string().swap(m_replyHead);
    read();
}

void HttpConnection::beginRequest() {
    // The head's deadline runs from its first byte.
    m_phase = Phase::Head;
    m_deadline = Clock::now() + m_limits.headDeadline;
    m_headBytes = m_bodyBytes = 0;
    m_parser.emplace(m_limits, m_fromTrustedProxy);
}

void HttpConnection::read() {
    // The deadline is given to the stream only here, when a read waits: a
    // request that came whole costs no timer but the write's.
    std::size_t room = 0;
    if (m_phase == Phase::Idle) {
        m_stream.expires_after(m_limits.idleTimeout);
        room = beast::read_size(m_buffer, kIdleReadBytes);
    } else {
        m_stream.expires_at(m_deadline);
        room = beast::read_size(m_buffer, kReadBytes);
    }
    if (room == 0) {
        refuse(m_phase == Phase::Head ? RequestParser::Fault::HeadTooLarge
                                      : RequestParser::Fault::BodyTooLarge);
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
        end();
        return;
    }
    m_buffer.commit(bytes);
    if (m_phase == Phase::Idle) {
        // Evicted while the bytes came: the slot is someone else's now.
        if (!m_slot.busy()) {
            end();
            return;
        }
        beginRequest();
    }
    parse();
}

// Empty lines before a request line are allowed (a client may end a body
// with one more CRLF); they count towards the head.
bool HttpConnection::skipEmptyLines() {
    while (m_buffer.size() > 0) {
        const auto *bytes = static_cast<const char *>(m_buffer.data().data());
        std::size_t line = 0;
        if (bytes[0] == '\n')
            line = 1;
        else if (bytes[0] == '\r' && m_buffer.size() >= 2 && bytes[1] == '\n')
            line = 2;
        else
            return !(bytes[0] == '\r' && m_buffer.size() == 1);
        m_buffer.consume(line);
        m_headBytes += line;
    }
    return false;
}

void HttpConnection::parse() {
    for (;;) {
        if (m_phase == Phase::Idle) {
            if (m_buffer.size() == 0) {
                waitForRequest();
                return;
            }
            // A pipelined request: its first bytes came with the last one.
            beginRequest();
        }
        const bool inHead = !m_parser->is_header_done();
        if (inHead && !m_parser->got_some() && !skipEmptyLines() &&
            m_headBytes < m_limits.headBytes) {
            read();
            return;
        }
        // The head is counted from its first byte, whatever Beast has taken
        // in already: it never sees more than the rest of the limit.
        const std::size_t offered =
            inHead ? std::min(m_buffer.size(),
                              m_limits.headBytes - std::min(m_headBytes, m_limits.headBytes))
                   : m_buffer.size();
        beast::error_code ec;
        const std::size_t used =
            offered == 0 ? 0
                         : m_parser->put(asio::const_buffer(m_buffer.data().data(), offered), ec);
        if (offered == 0)
            ec = http::error::need_more;
        m_buffer.consume(used);
        (inHead ? m_headBytes : m_bodyBytes) += used;
        if (ec == http::error::need_more) {
            // What is buffered is all this request's: the parser waits for more of it.
            if (inHead && m_headBytes + m_buffer.size() >= m_limits.headBytes)
                refuse(RequestParser::Fault::HeadTooLarge);
            else if (!inHead &&
                     m_bodyBytes + m_buffer.size() > m_limits.bodyBytes + m_limits.headBytes)
                refuse(RequestParser::Fault::BodyTooLarge);
            else
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
        if (inHead && m_parser->is_header_done()) {
            m_phase = Phase::Body;
            m_deadline = Clock::now() + m_limits.bodyDeadline;
            if (m_parser->expectsContinue) {
                sendContinue();
                return;
            }
        }
        if (m_buffer.size() == 0) {
            read();
            return;
        }
    }
}

// The client waits before it sends the body: tell it to go on. A body it
// may not send (too long, no length) was refused already, at once.
void HttpConnection::sendContinue() {
    m_stream.expires_at(m_deadline);
    asio::async_write(m_stream, asio::const_buffer(kContinue.data(), kContinue.size()),
                      [self = shared_from_this()](beast::error_code ec, std::size_t) {
                          if (self->m_phase == Phase::Closed)
                              return;
                          if (ec)
                              self->end();
                          else
                              self->parse();
                      });
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
            send(m_front->board.page(), "no-cache");
        else
            send(Board::methodNotAllowed(), "no-store", "GET, HEAD");
    } else if (path == "/skore/pridejv.asp") {
        if (request.method == http::verb::post)
            handlePost(m_front->proxies.clientOf(m_peer, request.forwardedFor),
                       std::move(request.body));
        else
            send(Board::methodNotAllowed(), "no-store", "POST");
    } else {
        send(Board::notFound(), "no-store");
    }
}

void HttpConnection::handlePost(const std::string &client, std::string body) {
    m_parser.reset();
    // The answer may come from the database thread: it reaches the connection
    // through its strand, and only while the server's event loop is there.
    auto answer = [weak = weak_from_this(), front = m_front](Board::Reply reply) {
        std::lock_guard lock(front->gateMutex);
        if (!front->gateOpen)
            return;
        if (std::shared_ptr<HttpConnection> self = weak.lock())
            asio::post(self->m_stream.get_executor(), [self, reply = std::move(reply)]() mutable {
                self->answerPost(std::move(reply));
            });
    };
    // The read's deadline must not close the connection while the post waits.
    Board &board = m_front->board;
    m_stream.expires_after(board.options().postWait + m_limits.writeDeadline);
    m_pending = board.post(body, client, std::move(answer));
    if (!m_pending)
        return;
    m_postTimer.expires_after(board.options().postWait);
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
    std::string().swap(m_method);
    std::string().swap(m_target);
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
    m_stream.expires_after(m_limits.writeDeadline);
    asio::async_write(
        m_stream, buffers,
        [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onWritten(ec); });
}

void HttpConnection::onWritten(beast::error_code ec) {
    m_replyBody.reset();
    m_head = false;
    if (ec || m_phase == Phase::Closed) {
        end();
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
        m_buffer.clear();
        beast::error_code ignored;
        m_stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
        m_stream.expires_after(kLingerTime);
    }
    // Read into the buffer's free room and never committed: thrown away.
    m_stream.async_read_some(m_buffer.prepare(kLingerReadBytes),
                             [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                 self->m_discarded += n;
                                 if (ec || self->m_discarded > kLingerBytes ||
                                     self->m_phase != Phase::Lingering)
                                     self->end();
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
