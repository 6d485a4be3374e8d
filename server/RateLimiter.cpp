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

void RateLimiter::prune(Posts &posts, Clock::time_point now) const {
    const auto fresh = std::find_if(posts.begin(), posts.end(),
                                    [&](Clock::time_point t) { return now - t < m_window; });
    posts.erase(posts.begin(), fresh);
}

void RateLimiter::forgetOldLocked(Clock::time_point now) {
    for (auto it = m_posts.begin(); it != m_posts.end();) {
        prune(it->second, now);
        it = it->second.empty() ? m_posts.erase(it) : std::next(it);
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
    auto found = m_posts.find(*key);
    if (found == m_posts.end()) {
        if (m_posts.size() >= m_maxClients)
            forgetOldLocked(now);
        // Full of addresses that all posted within the window: a flood from
        // many addresses. Refusing the newcomer keeps memory bounded; the
        // players already counted go on as before.
        if (m_posts.size() >= m_maxClients)
            return false;
        found = m_posts.emplace(*key, Posts{}).first;
    }
    Posts &posts = found->second;
    prune(posts, now);
    if (int(posts.size()) >= m_limit)
        return false;
    posts.push_back(now);
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
    const auto it = m_posts.find(*key);
    if (it == m_posts.end())
        return m_posts.size() >= m_maxClients ? int(m_window.count()) : 0;
    prune(it->second, now);
    if (int(it->second.size()) < m_limit)
        return 0;
    const auto wait = it->second.front() + m_window - now;
    return int(std::chrono::ceil<std::chrono::seconds>(wait).count());
}

std::size_t RateLimiter::trackedClients() {
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    forgetOldLocked(now);
    return m_posts.size();
}

} // namespace skore
