// What one client may cost the score board's HTTP front.
#pragma once

#include <chrono>
#include <cstddef>

namespace skore {

// Every limit is enforced while a request is read, so a client that breaks
// one is refused before it costs more than the limit.
struct HttpLimits {
    std::size_t headBytes = 8 * 1024; // request line and fields together
    int headFields = 100;
    std::size_t bodyBytes = 8 * 1024; // after chunked framing is removed
    // From a request's first byte to the end of its head, and from there to
    // the end of its body: a client that trickles is cut off, however steady.
    std::chrono::milliseconds headDeadline{10000};
    std::chrono::milliseconds bodyDeadline{10000};
    // How long a keep-alive connection may wait silent for its next request.
    std::chrono::milliseconds idleTimeout{5000};
    // Sending a reply to a client that does not read.
    std::chrono::milliseconds writeDeadline{10000};
    // Open connections from one address (an IPv6 /64), and on the whole server.
    int perClientConnections = 16;
    int totalConnections = 1024;
    // SIGTERM: how long requests in progress may still take.
    std::chrono::milliseconds shutdownGrace{5000};
};

} // namespace skore
