// What the score board's tests share: a fresh database of either engine, and
// a relay that can cut the line to PostgreSQL the way a network would.
#pragma once

#include "server/DatabaseConfig.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace servertest {

inline constexpr char kPgUrlVariable[] = "TOQUEL_TEST_PG_URL";

// A steady clock the test moves by hand, for the rate limit and the page's age.
struct ManualClock {
    std::chrono::steady_clock::time_point now{};
    std::function<std::chrono::steady_clock::time_point()> function() {
        return [this] { return now; };
    }
};

// Runs sql on a connection of its own, opened and closed here.
inline bool execOn(const skore::DatabaseConfig &config, const QStringList &statements,
                   QString *error = nullptr) {
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("servertest-admin-%1").arg(++counter);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(config.driver(), name);
        if (config.engine == skore::DatabaseConfig::Engine::SQLite) {
            db.setDatabaseName(config.sqlitePath);
        } else {
            db.setHostName(config.host);
            db.setPort(config.port);
            db.setUserName(config.user);
            db.setPassword(config.password);
            db.setDatabaseName(config.database);
        }
        ok = db.open();
        if (!ok && error)
            *error = db.lastError().text();
        for (const QString &sql : statements) {
            if (!ok)
                break;
            QSqlQuery query(db);
            ok = query.exec(sql);
            if (!ok && error)
                *error = sql + QStringLiteral(": ") + query.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// A database with no tables in it. SQLite: a file in dir. PostgreSQL: a
// database of this test program's own on the cluster TOQUEL_TEST_PG_URL
// names, emptied; nullopt and *skip say why when there is none.
inline std::optional<skore::DatabaseConfig> freshDatabase(const QString &engine,
                                                          const QTemporaryDir &dir, QString *skip) {
    if (engine == QLatin1String("sqlite")) {
        skore::DatabaseConfig config;
        config.sqlitePath = dir.filePath(QStringLiteral("skore.sqlite"));
        QFile::remove(config.sqlitePath);
        return config;
    }
    const QString url = qEnvironmentVariable(kPgUrlVariable);
    if (url.isEmpty()) {
        *skip = QStringLiteral("%1 is not set: scripts/with-postgres.sh starts a throwaway "
                               "PostgreSQL and sets it (scripts/test.sh does so)")
                    .arg(QLatin1String(kPgUrlVariable));
        return std::nullopt;
    }
    QString why;
    std::optional<skore::DatabaseConfig> admin = skore::DatabaseConfig::fromArgument(url, &why);
    if (!admin || admin->engine != skore::DatabaseConfig::Engine::PostgreSQL) {
        *skip = QStringLiteral("%1 is no PostgreSQL URL: %2").arg(url, why);
        return std::nullopt;
    }
    // Each test program has a database of its own, so programs run in parallel
    // never see each other's results.
    const QString own =
        QStringLiteral("toquel_%1").arg(QCoreApplication::applicationName().toLower().remove(u'-'));
    skore::DatabaseConfig config = *admin;
    config.database = own;
    if (!execOn(config, {}))
        execOn(*admin, {QStringLiteral("CREATE DATABASE %1").arg(own)});
    if (!execOn(config,
                {QStringLiteral("SET client_min_messages = warning"),
                 QStringLiteral("DROP TABLE IF EXISTS results, board_changes, schema_version")},
                &why)) {
        *skip = QStringLiteral("the PostgreSQL of %1 cannot be used: %2").arg(url, why);
        return std::nullopt;
    }
    return config;
}

// A TCP relay on 127.0.0.1 in front of another address. cut() drops every
// relayed connection and every new one until mend(): what the server sees
// when the database host restarts or the network between them fails.
class TcpRelay {
public:
    TcpRelay(const QString &host, int port) {
        m_target.sin_family = AF_INET;
        m_target.sin_port = htons(quint16(port));
        inet_pton(AF_INET, host.toLatin1().constData(), &m_target.sin_addr);
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof any;
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&any), sizeof any);
        ::listen(m_listener, 16);
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&any), &length);
        m_port = ntohs(any.sin_port);
        if (::pipe(m_wake) != 0)
            m_wake[0] = m_wake[1] = -1;
        m_thread = std::thread([this] { loop(); });
    }
    ~TcpRelay() {
        m_stop = true;
        poke();
        m_thread.join();
        for (auto &[a, b] : m_pairs) {
            ::close(a);
            ::close(b);
        }
        ::close(m_listener);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
    }

    int port() const { return m_port; }
    void cut() {
        m_cut = true;
        poke();
        // Wait until the loop has dropped its connections: the test's next
        // request must meet a dead line, not one that is about to die.
        std::unique_lock lock(m_mutex);
        m_cutDone.wait(lock, [this] { return m_pairsCut; });
    }
    void mend() {
        std::lock_guard lock(m_mutex);
        m_pairsCut = false;
        m_cut = false;
    }

private:
    void poke() {
        const char c = 1;
        [[maybe_unused]] const auto n = ::write(m_wake[1], &c, 1);
    }

    void loop() {
        char buffer[16384];
        while (!m_stop) {
            std::vector<pollfd> fds{{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            for (auto &[a, b] : m_pairs) {
                fds.push_back({a, POLLIN, 0});
                fds.push_back({b, POLLIN, 0});
            }
            ::poll(fds.data(), fds.size(), -1);
            if (fds[1].revents & POLLIN) [[maybe_unused]]
                const auto n = ::read(m_wake[0], buffer, sizeof buffer);
            if (m_cut) {
                std::lock_guard lock(m_mutex);
                for (auto &[a, b] : m_pairs) {
                    ::close(a);
                    ::close(b);
                }
                m_pairs.clear();
                m_pairsCut = true;
                m_cutDone.notify_all();
            }
            if (fds[0].revents & POLLIN) {
                const int client = ::accept(m_listener, nullptr, nullptr);
                if (client >= 0 && m_cut) {
                    ::close(client);
                } else if (client >= 0) {
                    const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
                    if (::connect(upstream, reinterpret_cast<const sockaddr *>(&m_target),
                                  sizeof m_target) == 0) {
                        m_pairs.emplace_back(client, upstream);
                    } else {
                        ::close(client);
                        ::close(upstream);
                    }
                }
                continue; // the pair list changed under fds
            }
            for (std::size_t i = 2; i < fds.size(); i += 2) {
                const std::size_t pair = (i - 2) / 2;
                if (pair >= m_pairs.size())
                    break;
                bool closed = false;
                for (int side = 0; side < 2 && !closed; ++side) {
                    if (!(fds[i + std::size_t(side)].revents & (POLLIN | POLLHUP | POLLERR)))
                        continue;
                    const int from = side == 0 ? m_pairs[pair].first : m_pairs[pair].second;
                    const int to = side == 0 ? m_pairs[pair].second : m_pairs[pair].first;
                    const ssize_t n = ::read(from, buffer, sizeof buffer);
                    closed = n <= 0 || ::send(to, buffer, std::size_t(n), MSG_NOSIGNAL) != n;
                }
                if (closed) {
                    ::close(m_pairs[pair].first);
                    ::close(m_pairs[pair].second);
                    m_pairs[pair] = {-1, -1};
                }
            }
            std::erase_if(m_pairs, [](const auto &p) { return p.first < 0; });
        }
    }

    sockaddr_in m_target{};
    int m_listener = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_cut{false};
    std::mutex m_mutex;
    std::condition_variable m_cutDone;
    bool m_pairsCut = false;
    std::vector<std::pair<int, int>> m_pairs;
    std::thread m_thread;
};

} // namespace servertest
