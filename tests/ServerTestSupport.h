// What the score board's tests share: a fresh database of either engine, a
// PostgreSQL outage made by PostgreSQL itself, and a plain socket client
// that can send anything, slowly or not at all.
#pragma once

#include "server/DatabaseConfig.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace servertest {

// Runs the statements on a connection of its own; false, with *error, when one fails.
inline bool execOn(const skore::DatabaseConfig &config, const QStringList &statements,
                   QString *error = nullptr) {
    const QString name = QStringLiteral("servertest-admin");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(config.driver(), name);
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
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The cluster TOQUEL_TEST_PG_URL names, as its administrator reaches it.
inline std::optional<skore::DatabaseConfig> pgAdmin() {
    auto admin = skore::DatabaseConfig::fromArgument(qEnvironmentVariable("TOQUEL_TEST_PG_URL"));
    return admin && admin->engine == skore::DatabaseConfig::Engine::PostgreSQL ? admin
                                                                               : std::nullopt;
}

// This test program's own database in the cluster TOQUEL_TEST_PG_URL names,
// emptied, in *config; false with *why when there is none to use.
inline bool freshPgDatabase(skore::DatabaseConfig *config, QString *why) {
    const std::optional<skore::DatabaseConfig> admin = pgAdmin();
    if (!admin) {
        *why = QStringLiteral("TOQUEL_TEST_PG_URL names no PostgreSQL: "
                              "scripts/with-postgres.sh starts one");
        return false;
    }
    *config = *admin;
    config->database =
        QStringLiteral("toquel_%1").arg(QCoreApplication::applicationName().toLower().remove(u'-'));
    execOn(*admin, {QStringLiteral("CREATE DATABASE %1").arg(config->database)}); // if missing
    return execOn(*config,
                  {QStringLiteral("SET client_min_messages = warning"),
                   QStringLiteral("DROP TABLE IF EXISTS results, board_changes, schema_version")},
                  why);
}

// Takes the database away from every client as a restart would (its
// connections ended, new ones refused), or gives it back.
inline bool setPgReachable(const skore::DatabaseConfig &config, bool reachable) {
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

// A blocking TCP client on 127.0.0.1 whose every wait is bounded. from picks
// the loopback address it comes from (the server counts connections per address).
class Client {
public:
    explicit Client(int port, const char *from = "127.0.0.1") {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const timeval limit{5, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        inet_pton(AF_INET, from, &address.sin_addr);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        address.sin_port = htons(quint16(port));
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        ::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    ~Client() { ::close(m_fd); }

    // All of it, unless the server closes or stops reading for 5 s.
    bool send(QByteArrayView bytes) {
        return ::send(m_fd, bytes.data(), std::size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    // The next reply; a reply to HEAD has no body whatever its length says.
    HttpReply read(bool head = false) {
        HttpReply reply;
        qsizetype end = -1;
        while ((end = m_in.indexOf("\r\n\r\n")) < 0)
            if (m_in.size() > 65536 || !fill())
                return reply;
        reply.head = m_in.left(end);
        m_in.remove(0, end + 4);
        reply.status = reply.head.mid(9, 3).toInt();
        const qsizetype length = head ? 0 : reply.header("Content-Length").toLongLong();
        while (m_in.size() < length)
            if (!fill())
                return {};
        reply.body = m_in.left(length);
        m_in.remove(0, length);
        return reply;
    }
    // Whether the server closes the connection (rather than the wait ending).
    bool closedByServer() {
        while (fill())
            ;
        return errno != EAGAIN && errno != EWOULDBLOCK;
    }

private:
    bool fill() {
        char buffer[16384];
        errno = 0;
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0)
            m_in.append(buffer, n);
        return n > 0;
    }
    int m_fd = -1;
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
