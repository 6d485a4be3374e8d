// What one client may cost the score board's HTTP front.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace skore {

// Every limit is enforced while a request is read, so a client that breaks
// one is refused before it costs more than the limit.
struct HttpLimits {
    // Request line and fields together, counted from the first byte (empty
    // lines before the request line too), however the parser takes them in.
    std::size_t headBytes = 8 * 1024;
    int headFields = 100;
    // After chunked framing is removed. The framing itself (chunk sizes,
    // extensions, trailers) may add at most headBytes more.
    std::size_t bodyBytes = 8 * 1024;
    // From a request's first byte to the end of its head, and from there to
    // the end of its body: a client that trickles is cut off, however steady.
    std::chrono::milliseconds headDeadline{10000};
    std::chrono::milliseconds bodyDeadline{10000};
    // How long a keep-alive connection may wait silent for its next request.
    std::chrono::milliseconds idleTimeout{5000};
    // Sending a reply to a client that does not read.
    std::chrono::milliseconds writeDeadline{10000};
    // Open connections from one client (an IPv4 address, an IPv6 /64), from
    // one IPv6 network (a /56: a subscriber's /64s together), and on the
    // whole server (main() derives it from the descriptors it may open).
    int perClientConnections = 16;
    int perNetworkConnections = 64;
    int totalConnections = 1024;
    // SIGTERM: how long requests in progress may still take.
    std::chrono::milliseconds shutdownGrace{5000};
    // How often the rate limiter forgets addresses whose posts are all old.
    std::chrono::milliseconds sweepInterval{10000};

    // The connection cap for a process that may open openFiles descriptors:
    // the rest is kept for the database's files or sockets, the listening
    // socket, the event loop's own descriptors, the log, and the connections
    // already evicted but not yet closed.
    static int connectionsFor(std::uint64_t openFiles) {
        const std::uint64_t files = openFiles < (1u << 20) ? openFiles : (1u << 20);
        const std::uint64_t reserve = 64 + files / 32;
        return files > reserve + 16 ? int(files - reserve) : 16;
    }
};

} // namespace skore
