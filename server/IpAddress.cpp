#include "server/IpAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>

namespace skore {

std::optional<IpBytes> ipBytes(const std::string &address) {
    IpBytes bytes{};
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

bool isMappedIpv4(const IpBytes &bytes) {
    return std::all_of(bytes.begin(), bytes.begin() + 10, [](auto b) { return b == 0; }) &&
           bytes[10] == 0xff && bytes[11] == 0xff;
}

} // namespace skore
