// What the score board's end-to-end tests need: a fresh PostgreSQL database,
// an outage made by PostgreSQL itself, and a plain socket client that can
// send anything, slowly or not at all.
#pragma once

#include "server/DatabaseConfig.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>

namespace servertest {

// Runs the statements on a connection of its own; false, with *error, when one fails.
inline bool execOn(const skore::DatabaseConfig &config, const QStringList &statements,
                   QString *error = nullptr) {
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(config.driver(), u"servertest-admin"_qs);
        const bool sqlite = config.engine == skore::DatabaseConfig::Engine::SQLite;
        db.setDatabaseName(sqlite ? config.sqlitePath : config.database);
        db.setHostName(config.host);
        db.setPort(config.port);
        db.setUserName(config.user);
        QSqlQuery query(db);
        for (qsizetype i = -1; ok && i < statements.size(); ++i)
            ok = i < 0 ? db.open() : query.exec(statements[i]);
        if (!ok && error)
            *error = db.lastError().text() + query.lastError().text();
    }
    QSqlDatabase::removeDatabase(u"servertest-admin"_qs);
    return ok;
}

// The cluster TOQUEL_TEST_PG_URL names, as its administrator reaches it.
inline std::optional<skore::DatabaseConfig> pgAdmin() {
    auto admin = skore::DatabaseConfig::fromArgument(qEnvironmentVariable("TOQUEL_TEST_PG_URL"));
    return admin && admin->engine == skore::DatabaseConfig::Engine::PostgreSQL ? admin
                                                                               : std::nullopt;
}

// This test program's own database in the cluster TOQUEL_TEST_PG_URL names,
// made anew, in *config; false with *why when there is none to use.
inline bool freshPgDatabase(skore::DatabaseConfig *config, QString *why) {
    const std::optional<skore::DatabaseConfig> admin = pgAdmin();
    if (!admin) {
        *why = u"TOQUEL_TEST_PG_URL names no PostgreSQL: scripts/with-postgres.sh starts one"_qs;
        return false;
    }
    *config = *admin;
    config->database = u"toquel_tst_server"_qs;
    return execOn(*admin,
                  {u"SET client_min_messages = warning"_qs,
                   u"DROP DATABASE IF EXISTS toquel_tst_server WITH (FORCE)"_qs,
                   u"CREATE DATABASE toquel_tst_server"_qs},
                  why);
}

// Takes the database away from the board, or gives it back: SQLite's write
// lock held by a connection of the test's own; PostgreSQL's connections ended
// and new ones refused, as a restart would.
inline bool setReachable(const skore::DatabaseConfig &config, bool reachable) {
    if (config.engine == skore::DatabaseConfig::Engine::SQLite) {
        QSqlDatabase::removeDatabase(u"servertest-blocker"_qs); // its transaction rolled back
        if (reachable)
            return true;
        QSqlDatabase blocker = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"servertest-blocker"_qs);
        blocker.setDatabaseName(config.sqlitePath);
        return blocker.open() && QSqlQuery(blocker).exec(u"BEGIN IMMEDIATE"_qs);
    }
    const std::optional<skore::DatabaseConfig> admin = pgAdmin();
    const QString sql = QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2; SELECT "
                                       "pg_terminate_backend(pid) FROM pg_stat_activity "
                                       "WHERE datname = '%1' AND %3");
    return admin && execOn(*admin, {sql.arg(config.database, reachable ? "true" : "false",
                                            reachable ? "false" : "true")});
}

struct HttpReply {
    int status = -1; // -1: no reply (closed or timed out)
    QByteArray head;
    QByteArray body;
    QByteArray header(const QByteArray &name) const {
        for (const QByteArray &line : head.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }
};

// A TCP client on 127.0.0.1 whose every wait is bounded (5 s). from picks the
// loopback address it comes from (the server counts connections per address).
class Client {
public:
    explicit Client(int port, const QString &from = QStringLiteral("127.0.0.1")) {
        m_socket.bind(QHostAddress(from));
        m_socket.connectToHost(QHostAddress::LocalHost, quint16(port));
        m_socket.waitForConnected(kWaitMs);
    }
    // All of it, unless the server closes or stops reading for 5 s.
    bool send(const QByteArray &bytes) {
        m_socket.write(bytes);
        while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(kWaitMs))
            ;
        return m_socket.bytesToWrite() == 0 && m_socket.state() == QTcpSocket::ConnectedState;
    }
    // The next reply; a reply to HEAD has no body whatever its length says.
    HttpReply read(bool head = false) {
        HttpReply reply;
        qsizetype end = -1;
        while ((end = m_in.indexOf("\r\n\r\n")) < 0)
            if (m_in.size() > 65536 || !fill())
                return reply;
        reply.head = m_in.left(end);
        reply.status = reply.head.mid(9, 3).toInt();
        const qsizetype length = head ? 0 : reply.header("Content-Length").toLongLong();
        while (m_in.size() < end + 4 + length)
            if (!fill())
                return {};
        reply.body = m_in.mid(end + 4, length);
        m_in.remove(0, end + 4 + length);
        return reply;
    }

private:
    static constexpr int kWaitMs = 5000;
    bool fill() {
        const bool more = m_socket.bytesAvailable() > 0 || m_socket.waitForReadyRead(kWaitMs);
        m_in += m_socket.readAll();
        return more;
    }
    QTcpSocket m_socket;
    QByteArray m_in;
};

inline HttpReply exchange(int port, const QByteArray &request) {
    Client client(port);
    return client.send(request) ? client.read(request.startsWith("HEAD")) : HttpReply{};
}

// The heads of the board's two requests, their ends still to come.
inline const QByteArray kGet = "GET /skore HTTP/1.1\r\nHost: a\r\n";
inline const QByteArray kPost = "POST /skore/pridejv.asp HTTP/1.1\r\nHost: a\r\n";

inline QByteArray postRequest(const QByteArray &body, const QByteArray &extraHeaders = {}) {
    return kPost + "Content-Type: application/x-www-form-urlencoded\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace servertest
