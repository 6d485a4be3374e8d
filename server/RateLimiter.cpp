#include "server/RateLimiter.h"

#include <algorithm>

namespace skore {

RateLimiter::RateLimiter(int limit, std::chrono::seconds window, Now now)
    : m_limit(std::max(0, limit)), m_window(window), m_now(std::move(now)), m_lastSweep(m_now()) {}

void RateLimiter::prune(std::deque<Clock::time_point> &posts, Clock::time_point now) const {
    while (!posts.empty() && now - posts.front() >= m_window)
        posts.pop_front();
}

// Walks all addresses at most once per window, so the cost stays flat however
// many clients come and go, and no address outlives its window by more than one.
void RateLimiter::forgetOld(Clock::time_point now, bool always) {
    if (!always && now - m_lastSweep < m_window)
        return;
    m_lastSweep = now;
    for (auto it = m_posts.begin(); it != m_posts.end();) {
        prune(it->second, now);
        it = it->second.empty() ? m_posts.erase(it) : std::next(it);
    }
}

bool RateLimiter::admit(const std::string &client) {
    if (m_limit == 0)
        return true;
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    forgetOld(now, false);
    auto &posts = m_posts[client];
    prune(posts, now);
    if (int(posts.size()) >= m_limit)
        return false;
    posts.push_back(now);
    return true;
}

int RateLimiter::secondsUntilFree(const std::string &client) {
    if (m_limit == 0)
        return 0;
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    const auto it = m_posts.find(client);
    if (it == m_posts.end())
        return 0;
    prune(it->second, now);
    if (int(it->second.size()) < m_limit)
        return 0;
    const auto wait = it->second.front() + m_window - now;
    return int(std::chrono::ceil<std::chrono::seconds>(wait).count());
}

std::size_t RateLimiter::trackedClients() {
    const Clock::time_point now = m_now();
    std::lock_guard lock(m_mutex);
    forgetOld(now, true);
    return m_posts.size();
}

} // namespace skore
