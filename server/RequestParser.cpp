#include "server/RequestParser.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/field.hpp>

namespace skore {

namespace http = boost::beast::http;
using boost::beast::string_view;

namespace {

// GET http://host/skore HTTP/1.1, as a client talking to a proxy writes it,
// is the same request as GET /skore.
std::string originForm(string_view target) {
    for (const string_view scheme : {string_view("http://"), string_view("https://")}) {
        if (target.size() < scheme.size() ||
            !boost::beast::iequals(target.substr(0, scheme.size()), scheme))
            continue;
        const string_view rest = target.substr(scheme.size());
        const std::size_t path = rest.find_first_of("/?");
        if (path == string_view::npos)
            return "/";
        return (rest[path] == '/' ? "" : "/") + std::string(rest.substr(path));
    }
    return std::string(target);
}

} // namespace

RequestParser::RequestParser(const HttpLimits &limits, bool fromTrustedProxy)
    : m_maxFields(limits.headFields), m_fromTrustedProxy(fromTrustedProxy) {
    header_limit(std::uint32_t(limits.headBytes));
    body_limit(std::uint64_t(limits.bodyBytes));
    // One step a call: the connection tells the head's bytes from the body's.
    eager(false);
}

RequestParser::Fault RequestParser::faultOf(boost::beast::error_code ec) const {
    if (m_fault != Fault::None)
        return m_fault;
    if (ec == http::error::header_limit)
        return Fault::HeadTooLarge;
    if (ec == http::error::body_limit)
        return Fault::BodyTooLarge;
    return Fault::Malformed;
}

void RequestParser::on_request_impl(http::verb method, string_view, string_view target, int version,
                                    boost::beast::error_code &) {
    this->method = method;
    this->target = originForm(target);
    this->version = version;
}

void RequestParser::on_field_impl(http::field name, string_view nameText, string_view value,
                                  boost::beast::error_code &ec) {
    // Beast hands the trailer of a chunked body here too: whatever it says
    // came after the head was judged, and is taken for nothing.
    if (is_header_done())
        return;
    if (++m_fields > m_maxFields) {
        m_fault = Fault::TooManyFields;
        ec = http::error::header_limit;
        return;
    }
    if (name == http::field::host) {
        hasHost = true;
    } else if (name == http::field::content_length) {
        m_hasLength = true; // its value Beast checks itself
    } else if (name == http::field::expect) {
        expectsContinue = boost::beast::iequals(value, "100-continue");
    } else if (m_fromTrustedProxy && boost::beast::iequals(nameText, "X-Forwarded-For")) {
        if (value.size() > kMaxForwardedFor) {
            value = value.substr(value.size() - kMaxForwardedFor);
            const std::size_t comma = value.find(',');
            value = comma == string_view::npos ? string_view() : value.substr(comma + 1);
        }
        forwardedFor.assign(value.data(), value.size());
    }
}

void RequestParser::on_header_impl(boost::beast::error_code &ec) {
    // A POST has to say how long its body is; without a length it has none,
    // and a client that sends one anyway would have it read as the next request.
    if (method == http::verb::post && !chunked() && !m_hasLength) {
        m_fault = Fault::LengthRequired;
        ec = http::error::bad_content_length;
    } else if (version >= 11 && !hasHost) {
        m_fault = Fault::Malformed;
        ec = http::error::bad_field;
    }
    // An HTTP/1.0 client knows nothing of 100 Continue.
    expectsContinue = expectsContinue && version >= 11;
}

void RequestParser::on_body_init_impl(const boost::optional<std::uint64_t> &length,
                                      boost::beast::error_code &) {
    if (length)
        body.reserve(std::size_t(*length)); // within the body limit: Beast checked it
}

std::size_t RequestParser::on_body_impl(string_view data, boost::beast::error_code &) {
    body.append(data.data(), data.size());
    return data.size();
}

std::size_t RequestParser::on_chunk_body_impl(std::uint64_t, string_view data,
                                              boost::beast::error_code &) {
    body.append(data.data(), data.size());
    return data.size();
}

} // namespace skore
