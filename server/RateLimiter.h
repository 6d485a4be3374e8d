// How often one client address may post: a sliding window kept in memory only.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace skore {

// The posts are anonymous: an address lives here only while it has a post
// inside the window and is forgotten after; it is never written anywhere.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    static constexpr int kDefaultLimit = 10;
    static constexpr std::chrono::seconds kDefaultWindow{60};

    // limit posts per window and address; a limit of 0 admits everything.
    explicit RateLimiter(int limit = kDefaultLimit, std::chrono::seconds window = kDefaultWindow,
                         Now now = &Clock::now);

    // Counts the post and says whether it may go on. A refused post does not
    // count, so a client that waits is let in again as its old posts age out.
    bool admit(const std::string &client);

    // Seconds until the client may post again (0 when it may now).
    int secondsUntilFree(const std::string &client);

    // How many addresses are remembered, once every expired one is forgotten.
    std::size_t trackedClients();

    int limit() const { return m_limit; }
    std::chrono::seconds window() const { return m_window; }

private:
    void forgetOld(Clock::time_point now, bool always);
    void prune(std::deque<Clock::time_point> &posts, Clock::time_point now) const;

    const int m_limit;
    const std::chrono::seconds m_window;
    const Now m_now;
    std::mutex m_mutex;
    std::unordered_map<std::string, std::deque<Clock::time_point>> m_posts;
    Clock::time_point m_lastSweep;
};

} // namespace skore
