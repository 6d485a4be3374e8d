// The results on disk: one schema and one set of statements for SQLite and PostgreSQL.
#pragma once

#include "server/BoardRow.h"
#include "server/DatabaseConfig.h"
#include "server/Log.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <utility>

namespace skore {

// One Qt SQL connection. Qt lets a connection be used only by the thread that
// made it, so a Storage is made, used and destroyed on one thread.
//
// A connection that fails (the database restarted, the network dropped) is
// closed and opened again once before an operation gives up, so the board
// mends itself when the database returns.
class Storage {
public:
    static constexpr int kSchemaVersion = 2;
    // How long a PostgreSQL statement waits for a row another session holds
    // before it gives up: short, so that a held result costs only the posts
    // that carry it, which are tried again alone.
    static constexpr int kLockWaitMs = 100;

    explicit Storage(DatabaseConfig config);
    ~Storage();
    Storage(const Storage &) = delete;
    Storage &operator=(const Storage &) = delete;

    // Connects and creates or updates the tables. false, with the reason in
    // *error, when the database cannot be reached or is of a newer version.
    bool open(QString *error = nullptr);

    // Puts the results on the board in one transaction, each (name, score)
    // once: one already there keeps its first day, one removed stays
    // removed. Returns how many were new, or nullopt when the write failed.
    std::optional<int> add(const Results &results, qint64 now);
    // Whether the last failure was a wait for a lock that ran out: the
    // database works, another writer holds what the write needed.
    bool lastFailureWasLockWait() const { return m_lockWait; }

    // The best results on the board, best first; equal scores by the day
    // they came, then by name.
    std::optional<BoardRows> best(int limit);

    // Takes a result off the board for good (a post that brings it again
    // does not bring it back). How many results were taken off (0 or 1), or
    // nullopt when the database failed.
    std::optional<int> remove(const QString &name, int score, qint64 now);

    // The version the schema is at, or 0 when it has none.
    std::optional<int> schemaVersion();

    // How long the next statements may wait: for another writer of an
    // SQLite file, or for a PostgreSQL statement to finish.
    void setWaitLimit(int milliseconds);

private:
    bool connect(QString *error);
    bool openConnection(QString *error);
    bool configureSession(QString *error);
    void disconnect();
    bool migrate(QString *error);
    bool upgrade(int from);
    void noteError(const QSqlError &error);
    std::optional<std::pair<quint64, quint64>> fileIdentity() const;
    bool fileWasReplaced() const;
    // The tables of an SQLite file that has not the board's own: empty when
    // it is new or the board's.
    std::optional<QStringList> foreignTables();
    bool exec(QSqlQuery &query);
    bool exec(const QString &sql);
    std::optional<int> addOnce(const Results &results, qint64 now);
    QSqlQuery &insertStatement(int rows);
    bool isSQLite() const { return m_config.engine == DatabaseConfig::Engine::SQLite; }

    // Runs the operation; when it fails, reconnects and runs it once more.
    template <typename Operation> auto retried(Operation operation) -> decltype(operation());

    DatabaseConfig m_config;
    QString m_connectionName;
    bool m_open = false;
    QString m_lastError;
    bool m_lockWait = false;
    QString m_lastCode;
    int m_waitLimitMs = 0;
    std::optional<std::pair<quint64, quint64>> m_fileIdentity;
    std::map<int, QSqlQuery> m_inserts;
    // A database away for a while fails every post: said once, with a count.
    log::RepeatedFailure m_failures;
};

} // namespace skore
