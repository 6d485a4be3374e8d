// What the score board's end-to-end tests need: a board served on a free
// port, a fresh PostgreSQL database, an outage made by PostgreSQL itself, and
// a plain socket client that can send anything, slowly or not at all.
#pragma once

#include "server/Board.h"
#include "server/DatabaseConfig.h"
#include "server/HttpServer.h"
#include "server/Log.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace servertest {

// A connection of the test's own to the board's database, opened if it can be.
inline QSqlDatabase connectTo(const skore::DatabaseConfig &config, const QString &name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(config.driver(), name);
    const bool sqlite = config.engine == skore::DatabaseConfig::Engine::SQLite;
    db.setDatabaseName(sqlite ? config.sqlitePath : config.database);
    db.setHostName(config.host);
    db.setPort(config.port);
    db.setUserName(config.user);
    db.open();
    return db;
}

// Runs the statements on a connection of its own; false, with *error, when one fails.
inline bool execOn(const skore::DatabaseConfig &config, const QStringList &statements,
                   QString *error = nullptr) {
    // Removed once the connection and its query are gone, which were made after it.
    const auto forget = qScopeGuard([] { QSqlDatabase::removeDatabase(u"servertest-admin"_qs); });
    QSqlDatabase db = connectTo(config, u"servertest-admin"_qs);
    QSqlQuery query(db);
    bool ok = db.isOpen();
    for (qsizetype i = 0; ok && i < statements.size(); ++i)
        ok = query.exec(statements[i]);
    if (!ok && error)
        *error = db.lastError().text() + query.lastError().text();
    return ok;
}

// The cluster TOQUEL_TEST_PG_URL names, as its administrator reaches it.
inline std::optional<skore::DatabaseConfig> pgAdmin() {
    auto admin = skore::DatabaseConfig::fromArgument(qEnvironmentVariable("TOQUEL_TEST_PG_URL"));
    return admin && admin->engine == skore::DatabaseConfig::Engine::PostgreSQL ? admin
                                                                               : std::nullopt;
}

// This test program's own database in the cluster TOQUEL_TEST_PG_URL names,
// made anew, in *config; false with *why when it cannot be.
inline bool freshPgDatabase(skore::DatabaseConfig *config, QString *why) {
    const std::optional<skore::DatabaseConfig> admin = pgAdmin();
    *config = admin.value_or(skore::DatabaseConfig{});
    config->database = u"toquel_tst_server"_qs;
    return admin && execOn(*admin,
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
        QSqlDatabase blocker = connectTo(config, u"servertest-blocker"_qs);
        return blocker.isOpen() && QSqlQuery(blocker).exec(u"BEGIN IMMEDIATE"_qs);
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

// A TCP client on plain sockets, from the loopback address it is given (the
// server counts connections per address), every wait bounded by 5 s. It
// keeps no buffer between replies: hundreds of them cost little, and the
// heap figures of the process see the server's buffers alone.
class Client {
public:
    explicit Client(int port, const QString &from = u"127.0.0.1"_qs) {
        const timeval wait{5, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait); // connect's too
        sockaddr_in address{};
        address.sin_family = AF_INET;
        inet_pton(AF_INET, from.toLatin1().constData(), &address.sin_addr);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        address.sin_port = htons(quint16(port));
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        ::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    ~Client() { ::close(m_fd); }
    Q_DISABLE_COPY(Client) // one owner closes the socket

    // All of it; false once the server has closed or stopped reading for 5 s.
    bool send(const QByteArray &bytes) {
        return ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
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
        m_in = m_in.mid(end + 4 + length); // pipelined replies' bytes, no more
        return reply;
    }

private:
    bool fill() {
        char bytes[16384];
        const ssize_t got = ::recv(m_fd, bytes, sizeof bytes, 0);
        if (got > 0)
            m_in.append(bytes, got);
        return got > 0;
    }
    int m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
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

// What the end-to-end test classes share: a board on a fresh SQLite file (or
// on the database a test puts in config) with its HTTP front on a free port
// of 127.0.0.1.
class ServedBoardTest : public QObject {
protected:
    // The tests' own faults are expected: logged only when LOGLEVEL asks.
    ServedBoardTest() {
        skore::log::setLevel(skore::log::Level(qEnvironmentVariableIntValue("LOGLEVEL") - 1));
    }
    void freshFolder() {
        dir.emplace();
        config = {};
        config.sqlitePath = dir->filePath(u"skore.sqlite"_qs);
    }
    void stop() { http.reset(), board.reset(); }
    bool serve(skore::Board::Options options = {}, skore::HttpLimits limits = {},
               skore::TrustedProxies proxies = {}, bool start = true) {
        http.reset();
        board = std::make_unique<skore::Board>(config, options);
        http = std::make_unique<skore::HttpServer>(*board, limits, 2, std::move(proxies));
        const bool ok = http->bind(u"127.0.0.1"_qs, 0) && board->start();
        if (ok && start)
            http->start();
        return ok;
    }
    HttpReply ask(const QByteArray &request) { return exchange(http->port(), request); }

    std::optional<QTemporaryDir> dir; // a fresh one for each test
    skore::DatabaseConfig config;
    std::unique_ptr<skore::Board> board;
    std::unique_ptr<skore::HttpServer> http;
};

} // namespace servertest
