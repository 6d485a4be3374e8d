// How often one client address may post: a sliding window kept in memory only.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace skore {

// The posts are anonymous: an address lives here only while it has a post
// inside the window and is forgotten after; it is never written anywhere.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    static constexpr int kDefaultLimit = 10;
    static constexpr std::chrono::seconds kDefaultWindow{60};
    // About 200 bytes an address: 64 Ki addresses stay under 13 MB.
    static constexpr std::size_t kDefaultMaxClients = 65536;

    // An address as the limiter counts it: IPv4 whole, IPv6 by its /64 (one
    // subscriber's network: a client that rotates through it is one client).
    using Key = std::array<std::uint8_t, 16>;
    // nullopt for text that is no IP address.
    static std::optional<Key> keyOf(const std::string &address);

    // limit posts per window and address; a limit of 0 admits everything.
    // At most maxClients addresses are kept: a new address beyond them is
    // refused until old ones are forgotten.
    explicit RateLimiter(int limit = kDefaultLimit, std::chrono::seconds window = kDefaultWindow,
                         Now now = &Clock::now, std::size_t maxClients = kDefaultMaxClients);

    // Counts the post and says whether it may go on. A refused post does not
    // count, so a client that waits is let in again as its old posts age out.
    bool admit(const std::string &client);

    // Seconds until the client may post again (0 when it may now).
    int secondsUntilFree(const std::string &client);

    // Forgets every address whose posts are all older than the window. The
    // server calls it on a timer, so a quiet board forgets too.
    void forgetOld();

    // How many addresses are remembered, once every expired one is forgotten.
    std::size_t trackedClients();

    int limit() const { return m_limit; }
    std::chrono::seconds window() const { return m_window; }

private:
    struct KeyHash {
        std::size_t operator()(const Key &key) const;
    };
    // One address's posts inside the window, oldest first.
    struct Client {
        Key key;
        std::vector<Clock::time_point> posts;
    };
    using Clients = std::list<Client>;

    // Forgets from the front of m_byLastPost while its last post is out of
    // the window: each address is forgotten once, so no call scans the table.
    void forgetOldLocked(Clock::time_point now);

    const int m_limit;
    const std::chrono::seconds m_window;
    const Now m_now;
    const std::size_t m_maxClients;
    std::mutex m_mutex;
    // Every address known, in the order of its last post, and where each is.
    Clients m_byLastPost;
    std::unordered_map<Key, Clients::iterator, KeyHash> m_clients;
};

} // namespace skore
