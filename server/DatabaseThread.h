// The one thread that talks to the database.
#pragma once

#include "server/BoardRow.h"
#include "server/DatabaseConfig.h"

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
    using Task = std::function<void(Storage &)>;
    // Seconds since the Unix epoch: the first day of a new result.
    using WallClock = std::function<qint64()>;
    // Runs on the database thread after every round of writes that added a
    // result (written: what the round wrote), and with nullptr at start and
    // when the thread has been idle for the refresh interval.
    using Refresh = std::function<void(Storage &, const Results *written)>;

    // Results waiting to be written. Whoever claims it first answers the
    // client: the database thread with the outcome, or the HTTP side when the
    // post waited too long. A post given up before its turn is not written.
    struct Write {
        Results results;
        Clock::time_point deadline;
        // Called on the database thread with how many results were new, or
        // nullopt when the write failed; only if the claim was won.
        std::function<void(std::optional<int>)> done;
        std::atomic<bool> claimed{false};
        bool claim() { return !claimed.exchange(true); }
    };

    DatabaseThread(DatabaseConfig config, WallClock now = {}, Refresh refresh = {},
                   std::chrono::milliseconds refreshEvery = std::chrono::seconds(2));
    ~DatabaseThread();
    DatabaseThread(const DatabaseThread &) = delete;
    DatabaseThread &operator=(const DatabaseThread &) = delete;

    // Starts the thread, opens the database on it and runs the first refresh.
    // false, with the reason, when the database cannot be opened.
    bool start(QString *error = nullptr);
    // Finishes the queued work, closes the database and ends the thread.
    void stop();

    // Queues the write; false (nothing queued) when the thread is not running.
    bool add(std::shared_ptr<Write> write);

    // Runs the task on the database thread and waits for it; false when the
    // thread is not running.
    bool run(const Task &task);

private:
    void loop(std::promise<QString> opened);
    void write(Storage &storage, std::vector<std::shared_ptr<Write>> &writes);

    const DatabaseConfig m_config;
    const WallClock m_now;
    const Refresh m_refresh;
    const std::chrono::milliseconds m_refreshEvery;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::shared_ptr<Write>> m_writes;
    std::vector<std::pair<const Task *, std::promise<void> *>> m_tasks;
    bool m_running = false;
    bool m_stopping = false;
};

} // namespace skore
