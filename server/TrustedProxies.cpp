#include "server/TrustedProxies.h"

#include "server/IpAddress.h"

#include <algorithm>
#include <cstring>

namespace skore {

std::optional<TrustedProxies::Address> TrustedProxies::parse(const std::string &address) {
    return ipBytes(address);
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
