// An IP address as its 16 bytes: IPv6 as it is, IPv4 as its IPv4-mapped IPv6
// form (::ffff:a.b.c.d), so the two families compare in one space.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace skore {

using IpBytes = std::array<std::uint8_t, 16>;

// nullopt for text that is no IP address.
std::optional<IpBytes> ipBytes(const std::string &address);

// Whether the bytes are an IPv4 address in its mapped form.
bool isMappedIpv4(const IpBytes &bytes);

} // namespace skore
