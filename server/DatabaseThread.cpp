#include "server/DatabaseThread.h"

#include "server/Storage.h"

#include <QDateTime>
#include <algorithm>

namespace skore {

DatabaseThread::DatabaseThread(DatabaseConfig config, WallClock now, Refresh refresh,
                               std::chrono::milliseconds refreshEvery)
    : m_config(std::move(config)),
      m_now(now ? std::move(now) : [] { return QDateTime::currentSecsSinceEpoch(); }),
      m_refresh(std::move(refresh)),
      m_refreshEvery(std::max(refreshEvery, std::chrono::milliseconds(10))) {}

DatabaseThread::~DatabaseThread() {
    stop();
}

bool DatabaseThread::start(QString *error) {
    std::promise<QString> opened;
    std::future<QString> result = opened.get_future();
    m_stopping = false;
    m_thread = std::thread(&DatabaseThread::loop, this, std::move(opened));
    const QString why = result.get();
    if (!why.isEmpty()) {
        m_thread.join();
        if (error)
            *error = why;
        return false;
    }
    return true;
}

void DatabaseThread::stop() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool DatabaseThread::add(std::shared_ptr<Write> write) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_stopping)
            return false;
        m_writes.push_back(std::move(write));
    }
    m_wake.notify_one();
    return true;
}

bool DatabaseThread::run(const Task &task) {
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_stopping)
            return false;
        m_tasks.emplace_back(&task, &finished);
    }
    m_wake.notify_one();
    done.get();
    return true;
}

void DatabaseThread::write(Storage &storage, std::vector<std::shared_ptr<Write>> &writes) {
    // Posts whose client was already told 503 are not written: the player
    // was told they did not arrive, and they will be sent again.
    std::erase_if(writes, [](const auto &w) { return w->claimed.load(); });
    if (writes.empty())
        return;
    Results all;
    Clock::time_point deadline = writes.front()->deadline;
    for (const auto &w : writes) {
        all += w->results;
        deadline = std::min(deadline, w->deadline);
    }
    // A busy SQLite file is waited for only as long as the oldest post may
    // still wait, less a margin: the 503 then comes from here, with nothing
    // written, rather than from the HTTP side's timer while a write may still land.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - Clock::now() - std::chrono::milliseconds(100));
    // In steps of 100 ms: the setting is a statement, not worth sending for every batch.
    const qint64 wait = std::clamp<qint64>(left.count() / 100 * 100, 1, m_config.busyTimeoutMs);
    storage.setBusyTimeout(int(wait));
    const std::optional<int> added = storage.add(all, m_now());
    // The page is redrawn before the posts are answered, so a player who
    // opens the ranking after "OK " finds the results there.
    if (added && *added > 0 && m_refresh)
        m_refresh(storage, &all);
    for (const auto &w : writes)
        if (w->claim() && w->done)
            w->done(added);
}

void DatabaseThread::loop(std::promise<QString> opened) {
    Storage storage(m_config);
    QString why;
    if (!storage.open(&why)) {
        opened.set_value(why.isEmpty() ? QStringLiteral("Databázi nelze otevřít.") : why);
        return;
    }
    if (m_refresh)
        m_refresh(storage, nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    opened.set_value(QString());

    Clock::time_point nextRefresh = Clock::now() + m_refreshEvery;
    for (;;) {
        std::vector<std::shared_ptr<Write>> writes;
        std::vector<std::pair<const Task *, std::promise<void> *>> tasks;
        bool idle = false;
        {
            std::unique_lock lock(m_mutex);
            const auto ready = [this] {
                return m_stopping || !m_writes.empty() || !m_tasks.empty();
            };
            idle = !m_wake.wait_until(lock, nextRefresh, ready);
            if (m_stopping && m_writes.empty() && m_tasks.empty()) {
                m_running = false;
                break;
            }
            writes.swap(m_writes);
            tasks.swap(m_tasks);
        }
        write(storage, writes);
        for (auto &[task, finished] : tasks) {
            (*task)(storage);
            finished->set_value();
        }
        // Another server sharing the database may have changed the board.
        if (m_refresh && (idle || Clock::now() >= nextRefresh)) {
            m_refresh(storage, nullptr);
            nextRefresh = Clock::now() + m_refreshEvery;
        }
    }
}

} // namespace skore
