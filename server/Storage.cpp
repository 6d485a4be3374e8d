// Every statement here runs unchanged on SQLite (3.24 or newer) and PostgreSQL;
// only the connection's settings differ.
#include "server/Storage.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <sys/stat.h>

namespace skore {

namespace {

// The multi-row INSERT binds three values a row; a hundred rows a statement
// stays far below both engines' limits on bound values.
constexpr int kRowsPerStatement = 100;

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("toquel-skore-%1").arg(++counter);
}

// Each version's statements, from the one before it. Version 1 had a change
// counter, one row that every write of every server updated: one session
// holding it stalled every server's posts. Version 2 drops it (servers now
// compare the ranking itself) and lets an operator take a result off the
// board for good.
const QStringList kUpgrades[] = {
    {QStringLiteral("CREATE TABLE results ("
                    " name TEXT NOT NULL,"
                    " score INTEGER NOT NULL CHECK (score BETWEEN 1 AND 32767),"
                    " first_seen BIGINT NOT NULL,"
                    " CONSTRAINT results_once UNIQUE (name, score))"),
     QStringLiteral("CREATE INDEX results_ranking ON results (score DESC, first_seen, name)"),
     QStringLiteral("CREATE TABLE board_changes (id INTEGER PRIMARY KEY, changes BIGINT NOT NULL)"),
     QStringLiteral("INSERT INTO board_changes (id, changes) VALUES (1, 0)")},
    {QStringLiteral("ALTER TABLE results ADD COLUMN removed_at BIGINT"),
     QStringLiteral("DROP TABLE board_changes")},
};

// SQLite's "busy" and "locked"; PostgreSQL's lock_timeout and
// statement_timeout: the wait ran out, reconnecting would only wait again.
bool isWaitRunOut(const QString &code) {
    return code == QLatin1String("5") || code == QLatin1String("6") ||
           code == QLatin1String("55P03") || code == QLatin1String("57014");
}

} // namespace

Storage::Storage(DatabaseConfig config)
    : m_config(std::move(config)), m_connectionName(nextConnectionName()) {}

Storage::~Storage() {
    disconnect();
}

bool Storage::open(QString *error) {
    QString why;
    const bool ok = connect(&why);
    if (!ok && error)
        *error = why;
    return ok;
}

bool Storage::connect(QString *error) {
    disconnect();
    if (openConnection(error) && migrate(error) && configureSession(error))
        return true;
    disconnect();
    return false;
}

bool Storage::openConnection(QString *error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(m_config.driver(), m_connectionName);
    if (!db.isValid()) {
        *error = QStringLiteral("Ovladač databáze %1 není nainstalován.").arg(m_config.driver());
        return false;
    }
    if (isSQLite()) {
        db.setDatabaseName(m_config.sqlitePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_config.busyTimeoutMs));
    } else {
        db.setHostName(m_config.host);
        db.setPort(m_config.port);
        db.setUserName(m_config.user);
        db.setPassword(m_config.password);
        db.setDatabaseName(m_config.database);
        // Keepalives find a database host that vanished without a word (a
        // cut network, a frozen machine) within seconds, not hours.
        db.setConnectOptions(QStringLiteral("connect_timeout=%1;application_name=toquel-skore;"
                                            "keepalives=1;keepalives_idle=5;"
                                            "keepalives_interval=2;keepalives_count=2")
                                 .arg(m_config.connectTimeoutSeconds));
    }
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    m_open = true;
    m_waitLimitMs = m_config.busyTimeoutMs;
    if (!isSQLite()) {
        // The migration may wait that long for another server's.
        if (exec(QStringLiteral("SET lock_timeout = %1").arg(m_config.busyTimeoutMs)))
            return true;
        *error = m_lastError;
        return false;
    }
    // Taken right after opening: the file the connection has is the one at
    // the path now (SQLite creates it on open when it is missing).
    m_fileIdentity = fileIdentity();
    // WAL lets the page be read while a post is written; FULL syncs the log
    // at every commit, so a result answered "OK " outlives a power cut.
    QSqlQuery mode(db);
    if (!mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !mode.next() ||
        mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0 ||
        !exec(QStringLiteral("PRAGMA synchronous=FULL"))) {
        *error = QStringLiteral("SQLite nepřešlo do režimu WAL: %1").arg(mode.lastError().text());
        return false;
    }
    return true;
}

// After the migration, which may wait for another server's: no session of
// this server holds a lock long, nor waits long for one. A session left idle
// inside a transaction (its server frozen) is ended by PostgreSQL, which
// releases what it held; the server's own keepalives find a client gone.
bool Storage::configureSession(QString *error) {
    if (isSQLite())
        return true;
    const QStringList settings{
        QStringLiteral("lock_timeout = %1").arg(kLockWaitMs),
        QStringLiteral("statement_timeout = %1").arg(m_config.busyTimeoutMs),
        QStringLiteral("idle_in_transaction_session_timeout = 5000"),
        QStringLiteral("tcp_keepalives_idle = 5"),
        QStringLiteral("tcp_keepalives_interval = 2"),
        QStringLiteral("tcp_keepalives_count = 2"),
    };
    for (const QString &setting : settings)
        if (!exec(u"SET "_qs + setting)) {
            *error = m_lastError;
            return false;
        }
    return true;
}

void Storage::disconnect() {
    m_inserts.clear();
    if (QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    m_open = false;
}

bool Storage::exec(QSqlQuery &query) {
    if (query.exec())
        return true;
    noteError(query.lastError());
    return false;
}

bool Storage::exec(const QString &sql) {
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (query.exec(sql))
        return true;
    noteError(query.lastError());
    return false;
}

void Storage::noteError(const QSqlError &error) {
    m_lastError = error.text();
    m_lastCode = error.nativeErrorCode();
    m_lockWait = isWaitRunOut(m_lastCode);
}

void Storage::setWaitLimit(int milliseconds) {
    if (!m_open || milliseconds == m_waitLimitMs)
        return;
    if (exec(isSQLite() ? QStringLiteral("PRAGMA busy_timeout = %1").arg(milliseconds)
                        : QStringLiteral("SET statement_timeout = %1").arg(milliseconds)))
        m_waitLimitMs = milliseconds;
}

std::optional<std::pair<quint64, quint64>> Storage::fileIdentity() const {
    struct stat info {};
    if (::stat(QFile::encodeName(m_config.sqlitePath).constData(), &info) != 0)
        return std::nullopt;
    return std::pair<quint64, quint64>(info.st_dev, info.st_ino);
}

// A file deleted or replaced under the running server: the open connection
// would go on writing to the old file, which nobody will ever read again.
bool Storage::fileWasReplaced() const {
    return isSQLite() && m_open && fileIdentity() != m_fileIdentity;
}

std::optional<QStringList> Storage::foreignTables() {
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                   "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"))) {
        noteError(query.lastError());
        return std::nullopt;
    }
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    if (names.contains(QStringLiteral("schema_version")))
        return QStringList();
    return names;
}

// Two servers may start at once on one PostgreSQL database; the slower one
// fails to create what the faster one just created, and reads the version again.
bool Storage::migrate(QString *error) {
    if (isSQLite()) {
        // Pointed at the file of another program by mistake: adding tables
        // to it would change that program's data.
        const std::optional<QStringList> foreign = foreignTables();
        if (foreign && !foreign->isEmpty()) {
            *error = QStringLiteral("Soubor %1 patří jinému programu (má tabulky %2, ale ne "
                                    "tabulky serveru výsledků); server ho nepřevezme.")
                         .arg(m_config.sqlitePath, foreign->join(QStringLiteral(", ")));
            return false;
        }
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Reading first: a busy SQLite file or a read-only role can still be
        // served when the schema is already current.
        std::optional<int> version = schemaVersion();
        if (!version &&
            exec(QStringLiteral(
                "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)")))
            version = schemaVersion();
        *error = m_lastError;
        if (!version)
            continue;
        if (*version > kSchemaVersion) {
            *error = QStringLiteral("Databáze má schéma verze %1, tento server zná nejvýše %2: "
                                    "patří novějšímu serveru.")
                         .arg(*version)
                         .arg(kSchemaVersion);
            return false;
        }
        if (*version == kSchemaVersion || upgrade(*version))
            return true;
        *error = m_lastError;
    }
    return false;
}

bool Storage::upgrade(int from) {
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    bool ok = db.transaction();
    for (int version = from; version < kSchemaVersion; ++version)
        for (const QString &statement : kUpgrades[version])
            ok = ok && exec(statement);
    ok =
        ok &&
        exec(
            QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(kSchemaVersion));
    if (ok && db.commit()) {
        log::info(from == 0
                      ? QStringLiteral("Schéma databáze vytvořeno (verze %1).").arg(kSchemaVersion)
                      : QStringLiteral("Schéma databáze převedeno z verze %1 na verzi %2.")
                            .arg(from)
                            .arg(kSchemaVersion));
        return true;
    }
    if (ok)
        noteError(db.lastError());
    db.rollback();
    return false;
}

std::optional<int> Storage::schemaVersion() {
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"))) {
        noteError(query.lastError());
        return std::nullopt;
    }
    if (!query.next() || query.isNull(0))
        return 0;
    return query.value(0).toInt();
}

template <typename Operation> auto Storage::retried(Operation operation) -> decltype(operation()) {
    QString why;
    if (fileWasReplaced()) {
        log::error(QStringLiteral("Soubor databáze %1 byl smazán nebo nahrazen; otevírám ho "
                                  "znovu.")
                       .arg(m_config.sqlitePath));
        disconnect();
    }
    if (!m_open && !connect(&why)) {
        m_lastError = why;
        m_failures.failed(log::Level::Error, QStringLiteral("Databázi nelze otevřít: %1").arg(why));
        return std::nullopt;
    }
    m_lockWait = false;
    auto result = operation();
    if (!result && !m_lockWait) {
        m_failures.failed(log::Level::Warning,
                          QStringLiteral("Databáze selhala (%1, %2); připojuji se znovu.")
                              .arg(m_lastError, m_lastCode));
        if (!connect(&why)) {
            m_lastError = why;
            m_failures.failed(log::Level::Warning,
                              QStringLiteral("Databáze je nedostupná: %1").arg(why));
            return std::nullopt;
        }
        result = operation();
    }
    // A wait for a lock that ran out is no failure of the database: the
    // database thread says what it did with the posts.
    if (result)
        m_failures.recovered(QStringLiteral("Databáze opět odpovídá."));
    return result;
}

QSqlQuery &Storage::insertStatement(int rows) {
    auto found = m_inserts.find(rows);
    if (found != m_inserts.end())
        return found->second;
    QStringList values;
    for (int i = 0; i < rows; ++i)
        values << QStringLiteral("(?, ?, ?)");
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("INSERT INTO results (name, score, first_seen) VALUES %1 "
                                 "ON CONFLICT (name, score) DO NOTHING")
                      .arg(values.join(QStringLiteral(", "))));
    return m_inserts.emplace(rows, std::move(query)).first->second;
}

std::optional<int> Storage::addOnce(const Results &results, qint64 now) {
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.transaction()) {
        noteError(db.lastError());
        return std::nullopt;
    }
    int added = 0;
    bool ok = true;
    for (qsizetype start = 0; ok && start < results.size(); start += kRowsPerStatement) {
        const int rows = int(std::min<qsizetype>(kRowsPerStatement, results.size() - start));
        QSqlQuery &insert = insertStatement(rows);
        for (int i = 0; i < rows; ++i) {
            const Result &r = results[start + i];
            insert.bindValue(3 * i, r.name);
            insert.bindValue(3 * i + 1, r.score);
            insert.bindValue(3 * i + 2, now);
        }
        ok = exec(insert);
        if (ok)
            added += insert.numRowsAffected();
    }
    if (ok && db.commit())
        return added;
    if (ok)
        noteError(db.lastError());
    db.rollback();
    return std::nullopt;
}

std::optional<int> Storage::add(const Results &results, qint64 now) {
    // One order for every writer: two servers inserting the same names in
    // opposite orders would otherwise wait on each other in PostgreSQL.
    Results sorted = results;
    std::sort(sorted.begin(), sorted.end(), [](const Result &a, const Result &b) {
        return a.score != b.score ? a.score < b.score : a.name < b.name;
    });
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.isEmpty())
        return 0;
    return retried([&] { return addOnce(sorted, now); });
}

// The removed results are left out here rather than in the query: with a
// condition on removed_at, PostgreSQL's planner (which has no statistics on a
// young table) sorted the whole table instead of reading the ranking's index.
// Removed results are few, so one query nearly always does.
std::optional<BoardRows> Storage::best(int limit) {
    return retried([&]() -> std::optional<BoardRows> {
        BoardRows rows;
        for (qint64 read = limit;; read *= 2) {
            QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
            query.setForwardOnly(true);
            query.prepare(QStringLiteral("SELECT name, score, first_seen, removed_at FROM results "
                                         "ORDER BY score DESC, first_seen, name LIMIT ?"));
            query.addBindValue(read);
            if (!exec(query))
                return std::nullopt;
            qint64 seen = 0;
            rows.clear();
            while (query.next() && rows.size() < limit) {
                ++seen;
                if (query.isNull(3))
                    rows.append({query.value(0).toString(), query.value(1).toInt(),
                                 query.value(2).toLongLong()});
            }
            if (rows.size() == limit || seen < read)
                return rows;
        }
    });
}

std::optional<int> Storage::remove(const QString &name, int score, qint64 now) {
    return retried([&]() -> std::optional<int> {
        QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
        query.prepare(QStringLiteral("UPDATE results SET removed_at = ? "
                                     "WHERE name = ? AND score = ? AND removed_at IS NULL"));
        query.addBindValue(now);
        query.addBindValue(name);
        query.addBindValue(score);
        if (!exec(query))
            return std::nullopt;
        return query.numRowsAffected();
    });
}

} // namespace skore
