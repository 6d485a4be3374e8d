// Reading one HTTP request within the front's limits.
#pragma once

#include "server/HttpLimits.h"

#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/verb.hpp>
#include <string>

namespace skore {

// Keeps only what the board needs of a request (method, target, Host,
// X-Forwarded-For and a body of at most the limit), so its memory is bounded
// by the limits whatever the client sends. Beast checks the body's size while
// parsing, for Content-Length and chunked bodies alike; the head's size the
// connection counts itself, since Beast counts only what it has not yet taken in.
class RequestParser : public boost::beast::http::basic_parser<true> {
public:
    // Why a request is refused; the reply's status follows from it.
    enum class Fault { None, HeadTooLarge, TooManyFields, BodyTooLarge, LengthRequired, Malformed };

    // X-Forwarded-For is kept only from a trusted proxy: from anyone else
    // it would be memory spent on words nobody believes.
    RequestParser(const HttpLimits &limits, bool fromTrustedProxy);

    // The fault of a failed put(): its own, or the one Beast's error means.
    Fault faultOf(boost::beast::error_code ec) const;

    boost::beast::http::verb method = boost::beast::http::verb::unknown;
    // In origin form (/skore?x), also when the client sent the absolute form.
    std::string target;
    int version = 11;
    bool hasHost = false;
    // The client waits for "100 Continue" before it sends the body.
    bool expectsContinue = false;
    // The last X-Forwarded-For field of a trusted proxy, at most its last
    // kMaxForwardedFor bytes (whole addresses only): the proxy appends the
    // address it saw, so the end is what counts.
    std::string forwardedFor;
    std::string body;

    static constexpr std::size_t kMaxForwardedFor = 256;

private:
    void on_request_impl(boost::beast::http::verb method, boost::beast::string_view methodText,
                         boost::beast::string_view target, int version,
                         boost::beast::error_code &ec) override;
    void on_response_impl(int, boost::beast::string_view, int,
                          boost::beast::error_code &) override {}
    void on_field_impl(boost::beast::http::field name, boost::beast::string_view nameText,
                       boost::beast::string_view value, boost::beast::error_code &ec) override;
    void on_header_impl(boost::beast::error_code &ec) override;
    void on_body_init_impl(const boost::optional<std::uint64_t> &length,
                           boost::beast::error_code &ec) override;
    std::size_t on_body_impl(boost::beast::string_view data, boost::beast::error_code &ec) override;
    void on_chunk_header_impl(std::uint64_t, boost::beast::string_view,
                              boost::beast::error_code &) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, boost::beast::string_view data,
                                   boost::beast::error_code &ec) override;
    void on_finish_impl(boost::beast::error_code &) override {}

    const int m_maxFields;
    const bool m_fromTrustedProxy;
    int m_fields = 0;
    bool m_hasLength = false;
    Fault m_fault = Fault::None;
};

} // namespace skore
