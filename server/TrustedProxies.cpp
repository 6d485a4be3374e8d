#include "server/TrustedProxies.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>

namespace skore {

std::optional<TrustedProxies::Address> TrustedProxies::parse(const std::string &address) {
    Address bytes{};
    in_addr v4{};
    if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
        bytes[10] = bytes[11] = 0xff;
        std::memcpy(bytes.data() + 12, &v4, 4);
        return bytes;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6) != 1)
        return std::nullopt;
    std::memcpy(bytes.data(), &v6, 16);
    return bytes;
}

bool TrustedProxies::add(const std::string &address) {
    const std::optional<Address> parsed = parse(address);
    if (!parsed)
        return false;
    m_addresses.push_back(*parsed);
    return true;
}

bool TrustedProxies::contains(const std::string &address) const {
    const std::optional<Address> parsed = parse(address);
    return parsed &&
           std::find(m_addresses.begin(), m_addresses.end(), *parsed) != m_addresses.end();
}

std::string TrustedProxies::clientOf(const std::string &peer,
                                     const std::string &forwardedFor) const {
    if (forwardedFor.empty() || !contains(peer))
        return peer;
    std::string::size_type end = forwardedFor.size();
    while (end > 0) {
        const std::string::size_type comma = forwardedFor.rfind(',', end - 1);
        const std::string::size_type begin = comma == std::string::npos ? 0 : comma + 1;
        std::string entry = forwardedFor.substr(begin, end - begin);
        const auto notSpace = [](char c) { return c != ' ' && c != '\t'; };
        entry.erase(entry.begin(), std::find_if(entry.begin(), entry.end(), notSpace));
        entry.erase(std::find_if(entry.rbegin(), entry.rend(), notSpace).base(), entry.end());
        if (!parse(entry))
            return peer; // a list the proxy did not write: count the proxy
        if (!contains(entry))
            return entry;
        if (comma == std::string::npos)
            break;
        end = comma;
    }
    return peer;
}

} // namespace skore
