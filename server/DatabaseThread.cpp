#include "server/DatabaseThread.h"

#include "server/Storage.h"

#include <QDateTime>

namespace skore {

DatabaseThread::DatabaseThread(DatabaseConfig config, WallClock now)
    : m_config(std::move(config)),
      m_now(now ? std::move(now) : [] { return QDateTime::currentSecsSinceEpoch(); }) {}

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

std::optional<int> DatabaseThread::add(const Results &results) {
    AddJob job{&results, {}};
    std::future<std::optional<int>> done = job.done.get_future();
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_stopping)
            return std::nullopt;
        m_adds.push_back(&job);
    }
    m_wake.notify_one();
    return done.get();
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

void DatabaseThread::loop(std::promise<QString> opened) {
    Storage storage(m_config);
    QString why;
    if (!storage.open(&why)) {
        opened.set_value(why.isEmpty() ? QStringLiteral("Databázi nelze otevřít.") : why);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    opened.set_value(QString());

    for (;;) {
        std::vector<AddJob *> adds;
        std::vector<std::pair<const Task *, std::promise<void> *>> tasks;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_adds.empty() || !m_tasks.empty(); });
            if (m_stopping && m_adds.empty() && m_tasks.empty()) {
                m_running = false;
                break;
            }
            adds.swap(m_adds);
            tasks.swap(m_tasks);
        }
        if (!adds.empty()) {
            Results all;
            for (const AddJob *job : adds)
                all += *job->results;
            const std::optional<int> added = storage.add(all, m_now());
            for (AddJob *job : adds)
                job->done.set_value(added);
        }
        for (auto &[task, finished] : tasks) {
            (*task)(storage);
            finished->set_value();
        }
    }
}

} // namespace skore
