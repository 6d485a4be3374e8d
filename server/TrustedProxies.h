// Which peers may say who the client is: the reverse proxies in front of the board.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace skore {

// Behind nginx every connection comes from nginx; the player's address is in
// X-Forwarded-For. Anyone can write that header, so it is believed only from
// the proxies named on the command line (--trusted-proxy).
class TrustedProxies {
public:
    // false for text that is no IP address.
    bool add(const std::string &address);
    bool contains(const std::string &address) const;
    bool empty() const { return m_addresses.empty(); }

    // The address a request from peer counts for. From a trusted proxy: the
    // last address of the X-Forwarded-For list that is not itself a trusted
    // proxy (the one the proxy saw; earlier ones are the client's own say).
    // Otherwise, or when the list names no usable address, the peer.
    std::string clientOf(const std::string &peer, const std::string &forwardedFor) const;

private:
    using Address = std::array<std::uint8_t, 16>;
    static std::optional<Address> parse(const std::string &address);
    std::vector<Address> m_addresses;
};

} // namespace skore
