#include "server/RequestParser.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/field.hpp>

namespace skore {

namespace http = boost::beast::http;

RequestParser::RequestParser(const HttpLimits &limits) : m_maxFields(limits.headFields) {
    header_limit(std::uint32_t(limits.headBytes));
    body_limit(std::uint64_t(limits.bodyBytes));
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

void RequestParser::on_request_impl(http::verb method, boost::beast::string_view,
                                    boost::beast::string_view target, int version,
                                    boost::beast::error_code &) {
    this->method = method;
    this->target.assign(target.data(), target.size());
    this->version = version;
}

void RequestParser::on_field_impl(http::field name, boost::beast::string_view nameText,
                                  boost::beast::string_view value, boost::beast::error_code &ec) {
    if (++m_fields > m_maxFields) {
        m_fault = Fault::TooManyFields;
        ec = http::error::header_limit;
        return;
    }
    if (name == http::field::host) {
        hasHost = true;
    } else if (name == http::field::content_length) {
        m_hasLength = true; // its value Beast checks itself
    } else if (boost::beast::iequals(nameText, "X-Forwarded-For")) {
        // Several fields of one name are one list.
        if (!forwardedFor.empty())
            forwardedFor += ',';
        forwardedFor.append(value.data(), value.size());
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
}

void RequestParser::on_body_init_impl(const boost::optional<std::uint64_t> &length,
                                      boost::beast::error_code &) {
    if (length)
        body.reserve(std::size_t(*length)); // within the body limit: Beast checked it
}

std::size_t RequestParser::on_body_impl(boost::beast::string_view data,
                                        boost::beast::error_code &) {
    body.append(data.data(), data.size());
    return data.size();
}

std::size_t RequestParser::on_chunk_body_impl(std::uint64_t, boost::beast::string_view data,
                                              boost::beast::error_code &) {
    body.append(data.data(), data.size());
    return data.size();
}

} // namespace skore
