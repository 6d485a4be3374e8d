#include "server/DatabaseThread.h"

#include "server/Storage.h"

#include <QDateTime>
#include <algorithm>

namespace skore {

namespace {

// A post is written only while this much of its wait is left: the database
// then has a wait limit of its own to keep, and the answer comes in time.
constexpr std::chrono::milliseconds kMargin{100};

void answer(const std::vector<std::shared_ptr<DatabaseThread::Write>> &writes,
            std::optional<int> added) {
    for (const auto &w : writes)
        if (w->done)
            w->done(added);
}

} // namespace

DatabaseThread::DatabaseThread(DatabaseConfig config, WallClock now, Refresh refresh,
                               std::chrono::milliseconds refreshEvery, SteadyClock steadyNow)
    : m_config(std::move(config)),
      m_now(now ? std::move(now) : [] { return QDateTime::currentSecsSinceEpoch(); }),
      m_steadyNow(steadyNow ? std::move(steadyNow) : &Clock::now), m_refresh(std::move(refresh)),
      m_refreshEvery(std::max(refreshEvery, std::chrono::milliseconds(10))) {}

DatabaseThread::~DatabaseThread() {
    stop();
}

bool DatabaseThread::start(QString *error) {
    std::promise<QString> opened;
    std::future<QString> result = opened.get_future();
    std::promise<void> finished;
    m_finished = finished.get_future();
    m_stopping = false;
    m_thread = std::thread(&DatabaseThread::loop, this, std::move(opened), std::move(finished));
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
    while (!stopWithin(std::chrono::hours(1)))
        ;
}

bool DatabaseThread::stopWithin(std::chrono::milliseconds limit) {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (!m_thread.joinable())
        return true;
    if (m_finished.wait_for(limit) == std::future_status::timeout)
        return false;
    m_thread.join();
    return true;
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

bool DatabaseThread::isLate(const Write &write) const {
    return write.deadline - m_steadyNow() < 2 * kMargin;
}

void DatabaseThread::refuse(const Writes &writes, const QString &why) {
    if (writes.empty())
        return;
    m_refusals.failed(log::Level::Warning, why);
    answer(writes, std::nullopt);
}

bool DatabaseThread::writeTogether(Storage &storage, const Writes &writes) {
    Results all;
    Clock::time_point deadline = writes.front()->deadline;
    for (const auto &w : writes) {
        all += w->results;
        deadline = std::min(deadline, w->deadline);
    }
    // The database waits (for a busy SQLite file, for a PostgreSQL
    // statement) only as long as the oldest post may, less the margin: its
    // answer then comes from the commit, in time. Rounded down, to 500 ms
    // while much is left: the setting is a statement of its own (a round
    // trip to PostgreSQL), not worth sending for every batch of a busy board.
    const qint64 left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - m_steadyNow() - kMargin)
            .count();
    const qint64 step = left >= 500 ? 500 : 100;
    storage.setWaitLimit(int(std::clamp<qint64>(left / step * step, 100, m_config.busyTimeoutMs)));
    const std::optional<int> added = storage.add(all, m_now());
    if (!added)
        return false;
    m_refusals.recovered(QStringLiteral("Výsledky se opět zapisují."));
    // The page is redrawn before the posts are answered, so a player who
    // opens the ranking after "OK " finds the results there.
    if (*added > 0 && m_refresh)
        m_refresh(storage, &all);
    answer(writes, added);
    return true;
}

void DatabaseThread::write(Storage &storage, Writes writes) {
    // Taken: from here on the commit decides the answer. Posts whose client
    // was already told 503 are not written: the player was told they did
    // not arrive, and they will be sent again.
    std::erase_if(writes, [](const auto &w) { return !w->claim(); });
    const auto late = std::stable_partition(writes.begin(), writes.end(),
                                            [this](const auto &w) { return !isLate(*w); });
    refuse(Writes(late, writes.end()),
           QStringLiteral("Odeslání čekalo ve frontě celou dobu, kterou smí čekat; odpověď 503."));
    writes.erase(late, writes.end());
    if (writes.empty() || writeTogether(storage, writes))
        return;
    // Another PostgreSQL session holds a result some post brings (a server
    // stopped mid-transaction, an operator's open session): the others are
    // written alone and answered at once; the ones it holds wait for it.
    if (!storage.lastFailureWasLockWait() ||
        m_config.engine != DatabaseConfig::Engine::PostgreSQL) {
        answer(writes, std::nullopt);
        return;
    }
    m_held.insert(m_held.end(), writes.begin(), writes.end());
    retryHeld(storage);
}

void DatabaseThread::retryHeld(Storage &storage) {
    Writes held;
    held.swap(m_held);
    for (const auto &w : held) {
        if (isLate(*w))
            refuse({w}, QStringLiteral("Výsledky odeslání drží jiné spojení s databází "
                                       "(otevřená transakce); odpověď 503."));
        else if (!writeTogether(storage, {w})) {
            if (storage.lastFailureWasLockWait())
                m_held.push_back(w);
            else
                answer({w}, std::nullopt);
        }
    }
}

void DatabaseThread::loop(std::promise<QString> opened, std::promise<void> finished) {
    {
        Storage storage(m_config);
        QString why;
        if (!storage.open(&why)) {
            opened.set_value(why.isEmpty() ? QStringLiteral("Databázi nelze otevřít.") : why);
            finished.set_value();
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
            Writes writes;
            bool idle = false;
            bool stopping = false;
            {
                std::unique_lock lock(m_mutex);
                // Held posts are tried again at once: each try waits for the
                // lock a little in the database itself.
                if (m_held.empty())
                    idle = !m_wake.wait_until(lock, nextRefresh,
                                              [this] { return m_stopping || !m_writes.empty(); });
                stopping = m_stopping;
                m_running = !stopping;
                writes.swap(m_writes);
            }
            write(storage, std::move(writes));
            if (stopping) {
                answer(m_held, std::nullopt);
                break;
            }
            retryHeld(storage);
            // Another server sharing the database may have changed the board.
            if (m_refresh && (idle || Clock::now() >= nextRefresh)) {
                m_refresh(storage, nullptr);
                nextRefresh = Clock::now() + m_refreshEvery;
            }
        }
    }
    finished.set_value();
}

} // namespace skore
