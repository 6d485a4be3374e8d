// The one thread that talks to the database.
#pragma once

#include "server/BoardRow.h"
#include "server/DatabaseConfig.h"

#include <QString>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace skore {

class Storage;

// The HTTP workers hand their database work to this thread and wait for it.
// One connection on one thread meets Qt SQL's rule that a connection stays on
// the thread that opened it, keeps the reconnecting in one place, and lets
// the posts that arrive while a transaction runs be written together in the
// next one: one commit for many posts, on SQLite (which writes one
// transaction at a time anyway) and on PostgreSQL alike.
class DatabaseThread {
public:
    using Task = std::function<void(Storage &)>;
    // Seconds since the Unix epoch: the first day of a new result.
    using WallClock = std::function<qint64()>;

    explicit DatabaseThread(DatabaseConfig config, WallClock now = {});
    ~DatabaseThread();
    DatabaseThread(const DatabaseThread &) = delete;
    DatabaseThread &operator=(const DatabaseThread &) = delete;

    // Starts the thread and opens the database on it. false, with the
    // reason, when the database cannot be opened; the thread is gone then.
    bool start(QString *error = nullptr);
    // Finishes the queued work, closes the database and ends the thread.
    void stop();

    // Stores the results together with whatever else is waiting. Returns how
    // many results that whole write added, or nullopt when it failed.
    std::optional<int> add(const Results &results);

    // Runs the task on the database thread and waits for it; false when the
    // thread is not running.
    bool run(const Task &task);

private:
    struct AddJob {
        const Results *results;
        std::promise<std::optional<int>> done;
    };

    void loop(std::promise<QString> opened);

    const DatabaseConfig m_config;
    const WallClock m_now;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<AddJob *> m_adds;
    std::vector<std::pair<const Task *, std::promise<void> *>> m_tasks;
    bool m_running = false;
    bool m_stopping = false;
};

} // namespace skore
