// The results on disk: one schema and one set of statements for SQLite and PostgreSQL.
#pragma once

#include "server/BoardRow.h"
#include "server/DatabaseConfig.h"

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
    static constexpr int kSchemaVersion = 1;

    explicit Storage(DatabaseConfig config);
    ~Storage();
    Storage(const Storage &) = delete;
    Storage &operator=(const Storage &) = delete;

    // Connects and creates or updates the tables. false, with the reason in
    // *error, when the database cannot be reached or is of a newer version.
    bool open(QString *error = nullptr);
    bool isOpen() const { return m_open; }

    // Puts the results on the board in one transaction, each (name, score)
    // once: one already there keeps its first day. Returns how many were new,
    // or nullopt when the database is unavailable.
    std::optional<int> add(const Results &results, qint64 now);

    // The best results, best first; equal scores by the day they came, then by name.
    std::optional<BoardRows> best(int limit);

    // Grows with every change of the board by any server sharing the database.
    std::optional<qint64> changeCount();

    // The version the schema is at, or 0 when it has none.
    std::optional<int> schemaVersion();

    // How long the next statements wait for another writer of an SQLite file.
    void setBusyTimeout(int milliseconds);

    const DatabaseConfig &config() const { return m_config; }
    QString lastError() const { return m_lastError; }

private:
    bool connect(QString *error);
    bool openConnection(QString *error);
    void disconnect();
    bool migrate(QString *error);
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

    // Runs the operation; when it fails, reconnects and runs it once more.
    template <typename Operation> auto retried(Operation operation) -> decltype(operation());

    DatabaseConfig m_config;
    QString m_connectionName;
    bool m_open = false;
    QString m_lastError;
    bool m_busy = false;
    QString m_lastCode;
    int m_busyTimeoutMs = 0;
    std::optional<std::pair<quint64, quint64>> m_fileIdentity;
    std::map<int, QSqlQuery> m_inserts;
};

} // namespace skore
