#include "server/RateLimiter.h"

#include "server/IpAddress.h"

#include <algorithm>
#include <cstring>

namespace skore {

std::optional<RateLimiter::Key> RateLimiter::keyOf(const std::string &address) {
    std::optional<Key> key = ipBytes(address);
    // An IPv6 client has its whole /64: it counts as one address.
    if (key && !isMappedIpv4(*key))
        std::fill(key->begin() + 8, key->end(), 0);
    return key;
}

std::size_t RateLimiter::KeyHash::operator()(const Key &key) const {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::memcpy(&high, key.data(), 8);
    std::memcpy(&low, key.data() + 8, 8);
    return std::hash<std::uint64_t>()(high * 0x9E3779B97F4A7C15ull ^ low);
}

RateLimiter::RateLimiter(int limit, std::chrono::seconds window, Now now, std::size_t maxClients)
    : m_limit(std::max(0, limit)), m_window(window), m_now(std::move(now)),
      m_maxClients(std::max<std::size_t>(1, maxClients)) {}

void RateLimiter::forgetOldLocked(Clock::time_point now) {
    while (!m_byLastPost.empty() && (m_byLastPost.front().posts.empty() ||
                                     now - m_byLastPost.front().posts.back() >= m_window)) {
        m_clients.erase(m_byLastPost.front().key);
        m_byLastPost.pop_front();
    }
}

void RateLimiter::forgetOld() {
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    forgetOldLocked(now);
}

bool RateLimiter::admit(const std::string &client) {
    if (m_limit == 0)
        return true;
    const std::optional<Key> key = keyOf(client);
    if (!key)
        return false;
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    forgetOldLocked(now);
    auto found = m_clients.find(*key);
    if (found == m_clients.end()) {
        // Full of addresses that all posted within the window: a flood from
        // many addresses. Refusing the newcomer keeps memory bounded; the
        // players already counted go on as before.
        if (m_clients.size() >= m_maxClients)
            return false;
        m_byLastPost.push_back({*key, {}});
        found = m_clients.emplace(*key, std::prev(m_byLastPost.end())).first;
    }
    std::vector<Clock::time_point> &posts = found->second->posts;
    posts.erase(posts.begin(), std::find_if(posts.begin(), posts.end(),
                                            [&](auto t) { return now - t < m_window; }));
    if (int(posts.size()) >= m_limit)
        return false;
    posts.push_back(now);
    // The latest post of all: this address is now the last to be forgotten.
    m_byLastPost.splice(m_byLastPost.end(), m_byLastPost, found->second);
    return true;
}

int RateLimiter::secondsUntilFree(const std::string &client) {
    if (m_limit == 0)
        return 0;
    const std::optional<Key> key = keyOf(client);
    if (!key)
        return int(m_window.count());
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    forgetOldLocked(now);
    const auto found = m_clients.find(*key);
    if (found == m_clients.end())
        return m_clients.size() >= m_maxClients ? int(m_window.count()) : 0;
    const std::vector<Clock::time_point> &posts = found->second->posts;
    const auto fresh =
        std::find_if(posts.begin(), posts.end(), [&](auto t) { return now - t < m_window; });
    if (posts.end() - fresh < m_limit)
        return 0;
    const auto wait = *fresh + m_window - now;
    return int(std::chrono::ceil<std::chrono::seconds>(wait).count());
}

std::size_t RateLimiter::trackedClients() {
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    forgetOldLocked(now);
    return m_clients.size();
}

} // namespace skore
