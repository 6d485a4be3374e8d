// The score board end to end: its HTTP front over real sockets on 127.0.0.1
// with its limits, its storage on SQLite and PostgreSQL, and the program.
#include "ServerTestSupport.h"
#include "TestMain.h"
#include "rules/web/FormBody.h"
#include "rules/web/ReplyJudge.h"
#include "server/Board.h"
#include "server/HttpServer.h"
#include "server/Log.h"
#include "server/ServerOptions.h"
#include "server/Storage.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <array>
#include <list>

using namespace skore;
using namespace servertest;
using namespace std::chrono_literals;

namespace {

const QString kProgram = QStringLiteral(TOQUEL_SKORE_PROGRAM);
// The page asked for as its own link does; the program is asked without the slash.
const QByteArray kPage = "GET /skore/ HTTP/1.1\r\nHost: a\r\n\r\n";

QByteArray tableOf(const Results &results) {
    ScoreTable table;
    for (int i = 0; i < results.size(); ++i)
        table.setEntry(i, {results[i].name, qint16(results[i].score)});
    return FormBody::build(table);
}

// The board's options with one of them changed.
template <typename T> Board::Options optionsWith(T Board::Options::*option, T value) {
    Board::Options options;
    options.*option = value;
    return options;
}

// Only what is stored differs between the engines: those tests run once on
// SQLite and once on the PostgreSQL that TOQUEL_TEST_PG_URL names, if any.
void engineRows() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << u"SQLite"_qs;
    if (pgAdmin())
        QTest::newRow("postgresql") << u"PostgreSQL"_qs;
}

// The program run to its end with the arguments: its exit code and all it said.
std::pair<int, QString> runProgram(const QStringList &arguments) {
    QProcess program;
    program.start(kProgram, arguments);
    program.waitForFinished(20000);
    return {program.exitCode(),
            QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError())};
}

// Starts the program serving on a free port of 127.0.0.1; its port, or 0.
int startProgram(QProcess &program, const QStringList &arguments) {
    program.start(kProgram, arguments + QStringList{u"--listen"_qs, u"127.0.0.1:0"_qs});
    QByteArray banner; // says the port it took, once it serves
    while (!banner.contains('\n') && program.waitForReadyRead(20000))
        banner += program.readAllStandardOutput();
    return QRegularExpression(u"127\\.0\\.0\\.1:(\\d+)/skore"_qs).match(banner).captured(1).toInt();
}

// The database as the program's --database takes it.
QString databaseArgument(const DatabaseConfig &config) {
    if (config.engine == DatabaseConfig::Engine::SQLite)
        return config.sqlitePath;
    return u"postgresql://%1@%2:%3/%4"_qs.arg(config.user, config.host)
        .arg(config.port)
        .arg(config.database);
}

} // namespace

class TestServer : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> dir; // a fresh one for each test
    DatabaseConfig config;
    std::unique_ptr<Board> board;
    std::unique_ptr<HttpServer> http;

    bool serve(Board::Options options = {}, HttpLimits limits = {}, TrustedProxies proxies = {}) {
        http.reset();
        board = std::make_unique<Board>(config, options);
        http = std::make_unique<HttpServer>(*board, limits, 2, std::move(proxies));
        const bool ok = http->bind(u"127.0.0.1"_qs, 0) && board->start();
        if (ok)
            http->start();
        return ok;
    }
    HttpReply post(const Results &results, const QByteArray &headers = {}) {
        return exchange(http->port(), postRequest(tableOf(results), headers));
    }
    QString page() { return QString::fromUtf8(exchange(http->port(), kPage).body); }
    // Every result in the database as "name score", best first.
    QStringList stored() {
        Storage storage(config);
        QStringList out;
        storage.open(); // if not, best() has nothing
        for (const BoardRow &r : storage.best(100000).value_or(BoardRows{}))
            out << r.name + u' ' + QString::number(r.score);
        return out;
    }

private slots:
    // The tests' own faults are expected: logged only when LOGLEVEL asks.
    void initTestCase() { log::setLevel(log::Level(qEnvironmentVariableIntValue("LOGLEVEL") - 1)); }

    void init() {
        dir.emplace();
        config = {};
        config.sqlitePath = dir->filePath(u"skore.sqlite"_qs);
        QString why;
        if (QByteArray(QTest::currentDataTag()) == "postgresql" && !freshPgDatabase(&config, &why))
            QFAIL(qPrintable(why));
    }

    void cleanup() { http.reset(), board.reset(); }

    void storesAPostOnceAndListsIt_data() { engineRows(); }
    void storesAPostOnceAndListsIt() {
        QVERIFY(serve(optionsWith(&Board::Options::rateLimit, 0)));
        // Names kept exactly, shown escaped (and never taken for arguments),
        // through the game's form encoding and back.
        const Results table{{u"Žluťoučký kůň 😀"_qs, 31250}, {u"%1 <b>\"&+='); --"_qs, 300}};
        QCOMPARE(post(table).status, 200);
        QCOMPARE(post(table).status, 200); // sent again: still OK, kept once
        const QString html = page();
        const qsizetype at = html.indexOf(u">Žluťoučký kůň 😀<"_qs);
        QVERIFY(at > 0 && at < html.indexOf(u">%1 &lt;b&gt;&quot;&amp;+='); --<"_qs));
        QCOMPARE(stored(), (QStringList{"Žluťoučký kůň 😀 31250", "%1 <b>\"&+='); -- 300"}));
        // Drawn at start and once for the change; the repeat changed nothing.
        QCOMPARE(board->pageRenders(), 2);
        const HttpReply head = exchange(http->port(), "HEAD /skore HTTP/1.1\r\nHost: a\r\n\r\n");
        QCOMPARE(head.header("Content-Length").toInt(), html.toUtf8().size());
        // Below the last row of a board that is not full: still a place on it.
        QCOMPARE(post({{u"Nižší"_qs, 299}}).status, 200);
        QVERIFY(page().contains(u">Nižší<"_qs));
        // Clients at once, each sending its posts without waiting for the
        // replies: each result kept once, however posts share transactions.
        std::list<Client> clients;
        for (int c = 0; c < 6; ++c) {
            QByteArray posts;
            for (int p = 0; p < 15; ++p)
                posts += postRequest(tableOf(
                    {{u"společný %1"_qs.arg(p), 2000 + p}, {u"klient %1"_qs.arg(c), 10 + p}}));
            QVERIFY(clients.emplace_back(http->port()).send(posts));
        }
        for (Client &client : clients)
            for (int p = 0; p < 15; ++p)
                QCOMPARE(client.read().status, 200);
        QCOMPARE(stored().size(), 3 + 15 + 6 * 15); // shared names, once each client's
    }

    // A full ranking is redrawn for a result that reaches it, and only then.
    void storedResultRedrawsAFullBoardOnlyIfItReachesIt_data() { engineRows(); }
    void storedResultRedrawsAFullBoardOnlyIfItReachesIt() {
        Results hundred;
        for (int i = 0; i < 100; ++i)
            hundred.append({QString::number(i), 500});
        QVERIFY(Storage(config).add(hundred, 1));
        Board writer(config, optionsWith(&Board::Options::rateLimit, 0));
        QVERIFY(writer.start());
        QCOMPARE(writer.post(tableOf({{u"Pod"_qs, 499}}), "a").status, 200);
        QCOMPARE(writer.pageRenders(), 1);
        QCOMPARE(writer.post(tableOf({{u"Nad"_qs, 501}}), "a").status, 200);
        QVERIFY(writer.page().html().find(">Nad<") != std::string::npos);
    }

    // The database busy or gone: posts get 503 within their wait, the page is
    // served at once as it was, and the board mends when the database returns.
    // A file deleted under the server is made anew: "OK " only for what is in
    // the file at the database's path.
    void storageAwayMakesPostsWaitTheirLimitButNotThePage_data() { engineRows(); }
    void storageAwayMakesPostsWaitTheirLimitButNotThePage() {
        QVERIFY(serve(optionsWith(&Board::Options::postWait, 300ms)));
        QCOMPARE(post({{u"Před"_qs, 5}}).status, 200);
        QVERIFY(setReachable(config, false));
        QElapsedTimer clock;
        clock.start();
        const HttpReply during = post({{u"Během"_qs, 6}});
        QCOMPARE(during.status, 503);
        QVERIFY(QString::fromUtf8(during.body).contains(u"nedostupný"_qs));
        QCOMPARE_LT(clock.restart(), 1500);
        QVERIFY(page().contains(u">Před<"_qs));
        QCOMPARE_LT(clock.elapsed(), 200);
        QVERIFY(setReachable(config, true));
        QTRY_COMPARE_WITH_TIMEOUT(post({{u"Po"_qs, 7}}).status, 200, 10000);
        // A post given up at its deadline may still have landed: kept once then.
        const QStringList kept = stored();
        QVERIFY2(kept.contains("Po 7") && kept.contains("Před 5"), qPrintable(kept.join(',')));
        if (config.engine != DatabaseConfig::Engine::SQLite)
            return;
        for (const char *suffix : {"", "-wal", "-shm"})
            QVERIFY(QFile::remove(config.sqlitePath + QLatin1String(suffix)) || *suffix);
        QCOMPARE(post({{u"Znovu"_qs, 8}}).status, 200);
        cleanup();
        QCOMPARE(stored(), QStringList{"Znovu 8"});
    }

    // A board of version 1, with the change counter every write updated, is
    // brought to the current version in place, its results kept and added to.
    void storUpgradesAVersion1BoardInPlace_data() { engineRows(); }
    void storUpgradesAVersion1BoardInPlace() {
        QVERIFY(execOn(config, {u"CREATE TABLE schema_version (version INTEGER NOT NULL)"_qs,
                                u"INSERT INTO schema_version (version) VALUES (1)"_qs,
                                u"CREATE TABLE results (name TEXT NOT NULL, score INTEGER NOT "
                                "NULL, first_seen BIGINT NOT NULL, UNIQUE (name, score))"_qs,
                                u"CREATE TABLE board_changes (id INTEGER, changes BIGINT)"_qs,
                                u"INSERT INTO results VALUES ('Starý', 700, 1)"_qs}));
        Storage storage(config);
        QVERIFY(storage.open());
        QCOMPARE(storage.schemaVersion().value_or(0), Storage::kSchemaVersion);
        // Each result once, with its first day; equal scores by that day, then by name.
        const Results more{
            {u"Starý"_qs, 700}, {u"starý"_qs, 700}, {u"B"_qs, 700}, {u"Top"_qs, 32767}};
        QCOMPARE(storage.add(more, 2).value_or(-1), 3);
        QCOMPARE(stored(), (QStringList{"Top 32767", "Starý 700", "B 700", "starý 700"}));
        QVERIFY(!execOn(config, {u"SELECT changes FROM board_changes"_qs}));
    }

    // An operator takes a result off the board from the command line: every
    // server sharing the database redraws without it, and the game sending
    // it again does not bring it back.
    void storRemovedResultLeavesEveryPageForGood_data() { engineRows(); }
    void storRemovedResultLeavesEveryPageForGood() {
        Board other(config, optionsWith(&Board::Options::pageMaxAge, 50ms));
        QVERIFY(serve(optionsWith(&Board::Options::pageMaxAge, 50ms)) && other.start());
        const Results table{{u"Sprosté jméno"_qs, 900}, {u"Jan"_qs, 800}};
        QCOMPARE(post(table).status, 200);
        QTRY_VERIFY_WITH_TIMEOUT(other.page().html().find(">Sprosté jméno<") != std::string::npos,
                                 10000);
        const QStringList removal{"-d", databaseArgument(config), "remove", "Sprosté jméno", "900"};
        const auto [removed, says] = runProgram(removal);
        QVERIFY2(removed == 0 && says.contains(u"odebrán"_qs), qPrintable(says));
        QTRY_VERIFY_WITH_TIMEOUT(!page().contains(u">Sprosté jméno<"_qs), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(other.page().html().find(">Sprosté jméno<") == std::string::npos,
                                 10000);
        QCOMPARE(post(table).status, 200);
        const auto [listed, list] = runProgram({"-d", databaseArgument(config), "list", "1"});
        QVERIFY2(listed == 0 && list.endsWith(u"„Jan“\n"_qs) && !list.contains(u"Sprosté"_qs),
                 qPrintable(list));
        QCOMPARE(runProgram(removal).first, int(ExitNotOnTheBoard));
    }

    // Whoever takes a post first answers it, and the answer says what was
    // stored: the database thread, once it took a post to write, answers
    // with what its commit did, however late; a post given up before its
    // turn, or whose time ran out before it, is never written.
    void postNearItsDeadlineIsAnsweredAsStored() {
        std::atomic<qint64> steadyMs{0};
        QSemaphore writing, goOn;
        std::once_flag firstRound;
        Board::Options options;
        options.rateLimit = 0;
        options.steadyNow = [&] { return RateLimiter::Clock::time_point(steadyMs.load() * 1ms); };
        // Asked for by the database thread as it writes a round: the first
        // round waits there while the test plays the HTTP side's timer.
        options.wallNow = [&] {
            std::call_once(firstRound, [&] { writing.release(), goOn.acquire(); });
            return qint64(1000);
        };
        Board board(config, options);
        const auto release = qScopeGuard([&] { goOn.release(); }); // also when a check fails
        QVERIFY(board.start());
        std::array<std::atomic<int>, 3> answers{-1, -1, -1};
        const auto send = [&](const QString &name, int i) {
            return board.post(tableOf({{name, 10 + i}}), "a",
                              [&answers, i](Board::Reply r) { answers[i] = r.status; });
        };
        const auto taken = send(u"Zapisovaný"_qs, 0);
        QVERIFY(writing.tryAcquire(1, 10000));
        const auto givenUp = send(u"Vzdaný"_qs, 1);
        const auto late = send(u"Pozdní"_qs, 2);
        QVERIFY(givenUp->giveUp());
        steadyMs += 2000;
        QVERIFY(!taken->giveUp());
        goOn.release();
        QTRY_COMPARE(answers[2].load(), 503);
        QCOMPARE(answers[0].load(), 200);
        QCOMPARE(answers[1].load(), -1);
        QCOMPARE(stored(), QStringList{"Zapisovaný 10"});
    }

    // Another session holds a transaction open (a server stopped in the
    // middle of one, an operator's psql): posts of other results go through
    // in time, a post bringing a result it holds gets 503 with nothing of it
    // stored, and SIGTERM still ends the program within its 5 s.
    void heldPostgreSQLTransactionStallsOnlyItsOwnResults() {
        QString why;
        if (!pgAdmin())
            QSKIP("TOQUEL_TEST_PG_URL names no PostgreSQL: scripts/with-postgres.sh starts one");
        QVERIFY2(freshPgDatabase(&config, &why) && Storage(config).open(), qPrintable(why));
        const auto release =
            qScopeGuard([] { QSqlDatabase::removeDatabase(u"servertest-holder"_qs); });
        QSqlDatabase holder = QSqlDatabase::addDatabase(u"QPSQL"_qs, u"servertest-holder"_qs);
        holder.setHostName(config.host);
        holder.setPort(config.port);
        holder.setUserName(config.user);
        holder.setDatabaseName(config.database);
        QVERIFY(holder.open() && holder.transaction());
        QVERIFY(QSqlQuery(holder).exec(u"INSERT INTO results VALUES ('Držený', 5, 1)"_qs));
        QProcess program;
        const int port = startProgram(program, {"-d", databaseArgument(config)});
        QVERIFY(port);
        QElapsedTimer clock;
        clock.start();
        // The two after the first arrive while the first waits for the
        // lock: they are written together, and the held one alone.
        Client holding(port, u"127.0.0.2"_qs), free(port, u"127.0.0.3"_qs),
            holdingToo(port, u"127.0.0.5"_qs);
        QVERIFY(holding.send(postRequest(tableOf({{u"Držený"_qs, 5}, {u"Spolu"_qs, 7}}))));
        QVERIFY(free.send(postRequest(tableOf({{u"Další"_qs, 8}}))));
        QVERIFY(holdingToo.send(postRequest(tableOf({{u"Držený"_qs, 5}}))));
        QCOMPARE(free.read().status, 200);
        QCOMPARE_LT(clock.elapsed(), 2000);
        QCOMPARE(holding.read().status, 503);
        QCOMPARE(holdingToo.read().status, 503);
        QCOMPARE_LT(clock.elapsed(), 2500);
        std::optional<Client> waiting(std::in_place, port, u"127.0.0.4"_qs);
        QVERIFY(waiting->send(postRequest(tableOf({{u"Držený"_qs, 5}}))));
        clock.restart();
        program.terminate();
        waiting->read(); // 503, or closed if the head was not read yet
        waiting.reset();
        QVERIFY(program.waitForFinished(7000));
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(program.exitCode(), 0);
        holder.rollback();
        QCOMPARE(stored(), QStringList{"Další 8"});
    }

    void refusalsGetCzechPages_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("says");
        const auto row = [](const char *name, const QByteArray &request, int status,
                            const QByteArray &says) {
            QTest::newRow(name) << request << status << says;
        };
        const QByteArray chunked = kPost + "Transfer-Encoding: chunked\r\n\r\n";
        const QByteArray big(9000, 'a');
        row("bad form", postRequest("N1=Jan&S1=0"), 400, "chybí pole N2");
        row("unknown path", "GET /index.php HTTP/1.1\r\nHost: a\r\n\r\n", 404, "nenalezena");
        row("no Host", "GET /skore HTTP/1.1\r\n\r\n", 400, "nerozumí");
        row("POST without a length", kPost + "\r\nN1=a", 411, "Content-Length");
        row("Content-Length of 9000", postRequest(big), 413, "8192 bajtů");
        row("chunked 9000", chunked + "2328\r\n" + big + "\r\n0\r\n\r\n", 413, "8192 bajtů");
        row("head of 9000", kGet + "X: " + big + "\r\n\r\n", 431, "8192 bajtů");
        row("101 fields", kGet + QByteArray("X: y\r\n").repeated(100) + "\r\n", 431, "100 polí");
        // The good case of chunked framing, to tell it from the limit.
        row("chunked good post",
            chunked + "5\r\nN1=&S\r\n22\r\n1=&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5=\r\n0\r\n\r\n", 200,
            "OK ");
    }
    void refusalsGetCzechPages() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, says);
        QVERIFY(serve());
        const HttpReply reply = exchange(http->port(), request);
        QTEST(reply.status, "status");
        QCOMPARE(reply.header("Content-Type"), QByteArray("text/html; charset=utf-8"));
        QVERIFY2(reply.body.contains(says), reply.body.constData());
        const auto verdict = ReplyJudge::judge(reply.body, reply.header("Content-Type"));
        QCOMPARE(verdict == ReplyJudge::Verdict::Succeeded, reply.status == 200);
    }

    // Once a thread per connection: 16 slow clients took every page for 8 s.
    // Slow ones: a silent connection would give its slot up (tst_http_front).
    void slowClientsLeaveThePageFreeUpToTheCaps() {
        QVERIFY(serve({}, {.perClientConnections = 10, .totalConnections = 141}));
        std::list<Client> held;
        for (int i = 0; i < 140; ++i) {
            // From 127.0.0.2 on, each address at its cap of 10; a head begun, never ended.
            held.emplace_back(http->port(), u"127.0.0.%1"_qs.arg(2 + i / 10));
            QVERIFY(held.back().send(kGet + "X-Slow: 1"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 140, 5000);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(page().contains(u"Toquel"_qs));
        QCOMPARE_LT(clock.elapsed(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 140, 5000);
        QCOMPARE(Client(http->port(), "127.0.0.2").read().status, 429);
        QVERIFY(held.emplace_back(http->port()).send(kGet));
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 141, 5000);
        QCOMPARE(Client(http->port(), "127.0.0.99").read().status, 503);
    }

    // The front's limits in time, and the rate limit counting the client
    // behind a trusted proxy.
    void deadlinesAndRateLimitOfTheFront() {
        TrustedProxies proxies;
        QVERIFY(proxies.add("127.0.0.1"));
        QVERIFY(serve(optionsWith(&Board::Options::rateLimit, 1),
                      {.headDeadline = 300ms, .idleTimeout = 200ms}, proxies));
        QCOMPARE(post({}, "X-Forwarded-For: 192.0.2.1\r\n").status, 200);
        const HttpReply refused = post({}, "X-Forwarded-For: 192.0.2.1\r\n");
        QCOMPARE(refused.status, 429);
        QVERIFY(refused.header("Retry-After").toInt() > 0);
        QCOMPARE(post({}, "X-Forwarded-For: 192.0.2.2\r\n").status, 200);
        Client silent(http->port()), trickling(http->port());
        // A field line every 100 ms: steady, but the whole head is late. A
        // send fails once the server has closed: cut off, not let go after
        // the lines stop.
        int line = 0;
        for (; line < 50 && trickling.send(line ? "X: y\r\n" : kGet); ++line)
            QTest::qWait(100);
        QCOMPARE_LT(line, 50);
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 0, 5000); // the silent one closed too
    }

    // The program's failures have their own exit codes. Served, it stops
    // within its grace of 5 s on SIGTERM, a slow client or not, having kept
    // no client's address, and a second program on its port gives up (exit 4)
    // before it makes any database.
    void programExitsWithItsOwnCode_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("says");
        const auto row = [](const char *name, const QStringList &arguments, int code,
                            const QByteArray &says) {
            QTest::newRow(name) << arguments << code << says;
        };
        row("unknown option", {"--bogus"}, 2, "toquel-skore: Neznámá volba „--bogus“");
        row("no folder", {"-d", "/nonexistent/skore.sqlite"}, 3, "toquel-skore: databázi");
        row("no PostgreSQL", {"-d", "postgresql://a@[::1]:1/b"}, 3, "nelze otevřít");
        row("foreign", {"-d", "foreign.sqlite"}, 3, "jinému programu");
        row("newer database", {"-d", "newer.sqlite"}, 3, "verze 3");
        row("listing a file that is not there", {"-d", "chybí.sqlite", "list"}, 3, "neexistuje");
        row("served", {"-d", "served.sqlite", "--log-level", "debug"}, 0, "POST /skore/pridejv");
    }
    void programExitsWithItsOwnCode() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, says);
        DatabaseConfig file;
        file.sqlitePath = dir->filePath(u"foreign.sqlite"_qs);
        QVERIFY(execOn(file, {u"CREATE TABLE invoices (id INT)"_qs}));
        file.sqlitePath = dir->filePath(u"newer.sqlite"_qs);
        QVERIFY(Storage(file).open());
        QVERIFY(execOn(file, {u"UPDATE schema_version SET version = 3"_qs}));
        QProcess program;
        program.setWorkingDirectory(dir->path());
        // Never the default port, which another program may have.
        if (const int port = startProgram(program, arguments)) {
            QCOMPARE(exchange(port, postRequest(tableOf({{u"Jan"_qs, 321}}))).status, 200);
            QVERIFY(exchange(port, kGet + "\r\n").body.contains(">Jan<"));
            const QString unmade = dir->filePath(u"new.sqlite"_qs);
            QProcess second;
            second.start(kProgram, {"--listen", u"127.0.0.1:%1"_qs.arg(port), "-d", unmade});
            QVERIFY(second.waitForFinished(20000));
            QCOMPARE(second.exitCode(), 4);
            QVERIFY(second.readAllStandardError().contains("nelze naslouchat"));
            QVERIFY(!QFile::exists(unmade));
            Client slow(port);
            QVERIFY(slow.send(kGet));
            program.terminate();
            QVERIFY(program.waitForFinished(7000));
            for (const QString &f : QDir(dir->path()).entryList({"served.sqlite*"}, QDir::Files)) {
                QFile file(dir->filePath(f));
                QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("127.0.0.1"));
            }
        }
        QCOMPARE(program.state(), QProcess::NotRunning);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QTEST(program.exitCode(), "exitCode");
        const QByteArray err = program.readAllStandardError();
        QVERIFY2(err.contains(says) && !err.contains("127.0.0.1"), err.constData());
    }
};

TOQUEL_TEST_MAIN(TestServer)
#include "tst_server.moc"
