// The one thread that talks to the database.
#pragma once

#include "server/BoardRow.h"
#include "server/DatabaseConfig.h"
#include "server/Log.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace skore {

class Storage;

// The HTTP side hands its database work to this thread and never waits for
// it. One connection on one thread meets Qt SQL's rule that a connection
// stays on the thread that opened it, keeps the reconnecting in one place,
// and lets the posts that arrive while a transaction runs be written together
// in the next one: one commit for many posts, on SQLite (which writes one
// transaction at a time anyway) and on PostgreSQL alike.
class DatabaseThread {
public:
    using Clock = std::chrono::steady_clock;
    using SteadyClock = std::function<Clock::time_point()>;
    // Seconds since the Unix epoch: the first day of a new result.
    using WallClock = std::function<qint64()>;
    // Runs on the database thread after every round of writes that added a
    // result (written: what the round wrote), and with nullptr at start and
    // when the thread has been idle for the refresh interval.
    using Refresh = std::function<void(Storage &, const Results *written)>;

    // Results waiting to be written. Whoever claims it first answers the
    // client: the HTTP side when the post waited too long in the queue, or
    // the database thread, which claims a post when it takes it to write
    // and then answers with what the commit did, also past the deadline. A
    // post given up before its turn is not written.
    struct Write {
        Results results;
        Clock::time_point deadline;
        // Called on the database thread with how many results were new, or
        // nullopt when nothing was written; only if the claim was won.
        std::function<void(std::optional<int>)> done;
        std::atomic<bool> claimed{false};
        bool claim() { return !claimed.exchange(true); }
    };

    DatabaseThread(DatabaseConfig config, WallClock now = {}, Refresh refresh = {},
                   std::chrono::milliseconds refreshEvery = std::chrono::seconds(2),
                   SteadyClock steadyNow = {});
    ~DatabaseThread();
    DatabaseThread(const DatabaseThread &) = delete;
    DatabaseThread &operator=(const DatabaseThread &) = delete;

    // Starts the thread, opens the database on it and runs the first refresh.
    // false, with the reason, when the database cannot be opened.
    bool start(QString *error = nullptr);
    // Writes what is queued, closes the database and ends the thread.
    void stop();
    // The same, waiting at most limit; false when the thread is still in a
    // database call that does not return (a network gone silent). It is left
    // running then: nothing it still holds was answered "OK ", so the
    // process may exit without it.
    bool stopWithin(std::chrono::milliseconds limit);

    // Queues the write; false (nothing queued) when the thread is not running.
    bool add(std::shared_ptr<Write> write);

private:
    using Writes = std::vector<std::shared_ptr<Write>>;

    void loop(std::promise<QString> opened, std::promise<void> finished);
    void write(Storage &storage, Writes writes);
    // One transaction for all; answers them when it commits. false, with
    // none answered, when it failed.
    bool writeTogether(Storage &storage, const Writes &writes);
    void retryHeld(Storage &storage);
    bool isLate(const Write &write) const;
    // Answers 503 for posts taken but not written, and logs why (once for
    // a run of them).
    void refuse(const Writes &writes, const QString &why);

    const DatabaseConfig m_config;
    const WallClock m_now;
    const SteadyClock m_steadyNow;
    const Refresh m_refresh;
    const std::chrono::milliseconds m_refreshEvery;
    std::thread m_thread;
    std::future<void> m_finished;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    Writes m_writes;
    bool m_running = false;
    bool m_stopping = false;
    // Only the database thread: posts taken whose results another
    // PostgreSQL session holds, tried again alone until their deadline.
    Writes m_held;
    log::RepeatedFailure m_refusals;
};

} // namespace skore
