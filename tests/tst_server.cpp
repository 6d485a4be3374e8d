// The score board end to end: its HTTP front over real sockets on 127.0.0.1
// with its limits, its storage on SQLite and PostgreSQL, and the program.
#include "ServerTestSupport.h"
#include "TestMain.h"
#include "rules/web/FormBody.h"
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
    const QString where = config.describe().section(u' ', 1); // after the engine's name
    return config.engine == DatabaseConfig::Engine::SQLite ? where : "postgresql://" + where;
}

} // namespace

class TestServer : public ServedBoardTest {
    Q_OBJECT

    HttpReply post(const Results &results) { return ask(postRequest(tableOf(results))); }
    QString page() { return QString::fromUtf8(ask(kPage).body); }
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
    void init() {
        freshFolder();
        QString why;
        if (QByteArray(QTest::currentDataTag()) == "postgresql" && !freshPgDatabase(&config, &why))
            QFAIL(qPrintable(why));
    }

    void cleanup() { stop(); }

    void storesAPostOnceAndListsIt_data() { engineRows(); }
    void storesAPostOnceAndListsIt() {
        QVERIFY(serve({.rateLimit = 0}));
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
        const HttpReply head = ask("HEAD /skore HTTP/1.1\r\nHost: a\r\n\r\n");
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
        // The ranking is full now: it is redrawn for a result that reaches it, and only then.
        const int renders = board->pageRenders();
        QCOMPARE(post({{u"Pod"_qs, 5}}).status, 200);
        QCOMPARE(board->pageRenders(), renders);
        QCOMPARE(post({{u"Nad"_qs, 400}}).status, 200);
        QVERIFY(page().contains(u">Nad<"_qs));
    }

    // The database busy or gone: posts get 503 within their wait, the page is served at once
    // as it was, and the board mends when the database returns. A file deleted under the
    // server is made anew: "OK " only for what is in the file at the database's path.
    void storageAwayMakesPostsWaitTheirLimitButNotThePage_data() { engineRows(); }
    void storageAwayMakesPostsWaitTheirLimitButNotThePage() {
        QVERIFY(serve({.postWait = 300ms}));
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
    void upgradesAVersion1BoardInPlace_data() { engineRows(); }
    void upgradesAVersion1BoardInPlace() {
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
    void removedResultLeavesEveryPageForGood_data() { engineRows(); }
    void removedResultLeavesEveryPageForGood() {
        const Board::Options quicklyRedrawn{.pageMaxAge = 50ms};
        Board other(config, quicklyRedrawn);
        QVERIFY(serve(quicklyRedrawn) && other.start());
        const Results table{{u"Sprosté jméno"_qs, 900}, {u"Jan"_qs, 800}};
        const auto shows = [](const Board &b) {
            return b.page().html().find(">Sprosté jméno<") != std::string::npos;
        };
        QCOMPARE(post(table).status, 200);
        QTRY_VERIFY_WITH_TIMEOUT(shows(other), 10000);
        const QStringList removal{"-d", databaseArgument(config), "remove", "Sprosté jméno", "900"};
        const auto [removed, says] = runProgram(removal);
        QVERIFY2(removed == 0 && says.contains(u"odebrán"_qs), qPrintable(says));
        QTRY_VERIFY_WITH_TIMEOUT(!page().contains(u">Sprosté jméno<"_qs) && !shows(other), 10000);
        QCOMPARE(post(table).status, 200);
        const auto [listed, list] = runProgram({"-d", databaseArgument(config), "list", "1"});
        QVERIFY2(listed == 0 && list.endsWith(u"„Jan“\n"_qs) && !list.contains(u"Sprosté"_qs),
                 qPrintable(list));
        QCOMPARE(runProgram(removal).first, int(ExitNotOnTheBoard));
    }

    // Whoever takes a post first answers it, and the answer says what was stored: the
    // database thread, once it took a post to write, answers with what its commit did,
    // however late; a post given up before its turn, or late for it, is never written.
    void postNearItsDeadlineIsAnsweredAsStored() {
        std::atomic<qint64> steadyMs{0};
        QSemaphore writing, goOn;
        std::once_flag firstRound;
        Board::Options options{.rateLimit = 0};
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

    // Another session holds a transaction open (a server stopped in the middle of one, an
    // operator's psql): posts of other results go through in time, a post bringing a result
    // it holds gets 503 with nothing of it stored, and SIGTERM still ends the program in 5 s.
    void heldPostgreSQLTransactionStallsOnlyItsOwnResults() {
        QString why;
        if (!pgAdmin())
            QSKIP("TOQUEL_TEST_PG_URL names no PostgreSQL: scripts/with-postgres.sh starts one");
        QVERIFY2(freshPgDatabase(&config, &why) && Storage(config).open(), qPrintable(why));
        const auto release =
            qScopeGuard([] { QSqlDatabase::removeDatabase(u"servertest-holder"_qs); });
        QSqlDatabase holder = connectTo(config, u"servertest-holder"_qs);
        QVERIFY(holder.transaction());
        QVERIFY(QSqlQuery(holder).exec(u"INSERT INTO results VALUES ('Držený', 5, 1)"_qs));
        QProcess program;
        const int port = startProgram(program, {"-d", databaseArgument(config)});
        QVERIFY(port);
        QElapsedTimer clock;
        clock.start();
        // The two after the first arrive while the first waits for the
        // lock: they are written together, and the held one alone.
        Client holding(port, "127.0.0.2"), free(port, "127.0.0.3"), holdingToo(port, "127.0.0.5");
        QVERIFY(holding.send(postRequest(tableOf({{u"Držený"_qs, 5}, {u"Spolu"_qs, 7}}))));
        QVERIFY(free.send(postRequest(tableOf({{u"Další"_qs, 8}}))));
        QVERIFY(holdingToo.send(postRequest(tableOf({{u"Držený"_qs, 5}}))));
        QCOMPARE(free.read().status, 200);
        QCOMPARE_LT(clock.elapsed(), 2000);
        QCOMPARE(holding.read().status, 503);
        QCOMPARE(holdingToo.read().status, 503);
        QCOMPARE_LT(clock.elapsed(), 2500);
        Client waiting(port, "127.0.0.4");
        QVERIFY(waiting.send(postRequest(tableOf({{u"Držený"_qs, 5}}))));
        clock.restart();
        program.terminate();
        waiting.read(); // 503, or closed if the head was not read yet
        QVERIFY(program.waitForFinished(7000));
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(program.exitCode(), 0);
        holder.rollback();
        QCOMPARE(stored(), QStringList{"Další 8"});
    }

    // Once a thread per connection: 16 slow clients took every page for 8 s.
    // Slow ones: a silent connection would give its slot up (tst_http_front).
    void slowClientsLeaveThePageFreeUpToTheCaps() {
        QVERIFY(serve({}, {.perClientConnections = 10, .totalConnections = 141}));
        std::list<Client> held;
        // From 127.0.0.2 on, each address at its cap of 10; a head begun, never ended.
        for (int i = 0; i < 140; ++i)
            QVERIFY(held.emplace_back(http->port(), u"127.0.0.%1"_qs.arg(2 + i / 10))
                        .send(kGet + "X-Slow: 1"));
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 140, 5000);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(page().contains(u"Toquel"_qs));
        QCOMPARE_LT(clock.elapsed(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 140, 5000);
        QVERIFY(held.emplace_back(http->port()).send(kGet));
        // Every slot taken, and none silent: the last head's bytes read too.
        QTRY_VERIFY(http->connections() == 141 && http->silentConnections() == 0);
        QCOMPARE(Client(http->port(), "127.0.0.99").read().status, 503);
    }

    // The front's limits in time: a silent connection is closed when idle too long, and a
    // head that trickles in, a field line every 100 ms, is cut off at its deadline however
    // steady (a send fails once the server has closed).
    void tricklingHeadIsCutOffAtItsDeadline() {
        QVERIFY(serve({}, {.headDeadline = 300ms, .idleTimeout = 200ms}));
        Client silent(http->port()), trickling(http->port());
        int line = 0;
        for (; line < 50 && trickling.send(line ? "X: y\r\n" : kGet); ++line)
            QTest::qWait(100);
        QCOMPARE_LT(line, 50);
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 0, 5000); // the silent one closed too
    }

    // The program's failures have their own exit codes. Served, it stops within its grace of
    // 5 s on SIGTERM, a slow client or not, having kept no client's address, and a second
    // program on its port gives up (exit 4) before it makes any database.
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
        // Another program's database, and a board of a later version.
        config.sqlitePath = dir->filePath(u"foreign.sqlite"_qs);
        QVERIFY(execOn(config, {u"CREATE TABLE invoices (id INT)"_qs}));
        config.sqlitePath = dir->filePath(u"newer.sqlite"_qs);
        QVERIFY(Storage(config).open());
        QVERIFY(execOn(config, {u"UPDATE schema_version SET version = 3"_qs}));
        QProcess program;
        program.setWorkingDirectory(dir->path());
        // Never the default port, which another program may have.
        if (const int port = startProgram(program, arguments)) {
            QCOMPARE(exchange(port, postRequest(tableOf({{u"Jan"_qs, 321}}))).status, 200);
            QVERIFY(exchange(port, kGet + "\r\n").body.contains(">Jan<"));
            const QString unmade = dir->filePath(u"new.sqlite"_qs);
            const auto [second, secondSays] =
                runProgram({"--listen", u"127.0.0.1:%1"_qs.arg(port), "-d", unmade});
            QVERIFY2(second == 4 && secondSays.contains(u"nelze naslouchat"_qs),
                     qPrintable(secondSays));
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
