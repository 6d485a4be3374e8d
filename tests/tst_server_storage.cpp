// The board's storage and its service layer on a real database: SQLite, and
// PostgreSQL when the test command started one (the rows are skipped if not).
#include "ServerTestSupport.h"
#include "TestMain.h"
#include "server/Board.h"
#include "server/Log.h"
#include "server/Pages.h"
#include "server/Storage.h"
#include "web/FormBody.h"

#include <QSqlDatabase>
#include <thread>

using namespace skore;
using namespace std::chrono_literals;

namespace {

QByteArray tableOf(const Results &results) {
    ScoreTable table;
    for (int i = 0; i < results.size(); ++i)
        table.setEntry(i, {results[i].name, QString::number(results[i].score)});
    return FormBody::build(table);
}

QStringList names(const BoardRows &rows) {
    QStringList out;
    for (const BoardRow &r : rows)
        out << QStringLiteral("%1 %2").arg(r.name).arg(r.score);
    return out;
}

} // namespace

class TestServerStorage : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    DatabaseConfig config;

    // Every row of the board, best first.
    BoardRows everything() {
        Storage storage(config);
        [&] { QVERIFY2(storage.open(), qPrintable(storage.lastError())); }();
        return storage.best(100000).value_or(BoardRows{});
    }

private slots:
    void initTestCase() { log::setLevel(log::Level::Error); }

    void initTestCase_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << QStringLiteral("sqlite");
        QTest::newRow("postgresql") << QStringLiteral("postgresql");
    }

    void init() {
        QFETCH_GLOBAL(QString, engine);
        QString skip;
        const auto fresh = servertest::freshDatabase(engine, dir, &skip);
        if (!fresh)
            QSKIP(qPrintable(skip));
        config = *fresh;
    }

    void createsTheSchemaOnceAndReopens() {
        {
            Storage storage(config);
            QString error;
            QVERIFY2(storage.open(&error), qPrintable(error));
            QCOMPARE(storage.schemaVersion(), std::optional<int>(Storage::kSchemaVersion));
            QCOMPARE(storage.add({{QStringLiteral("Jan"), 10}}, 1000), std::optional<int>(1));
        }
        Storage again(config);
        QVERIFY(again.open());
        QCOMPARE(again.schemaVersion(), std::optional<int>(Storage::kSchemaVersion));
        QCOMPARE(again.best(10)->size(), 1); // reopening kept the board
    }

    void refusesTheDatabaseOfANewerServer() {
        { QVERIFY(Storage(config).open()); }
        QVERIFY(
            servertest::execOn(config, {QStringLiteral("UPDATE schema_version SET version = 2")}));
        Storage storage(config);
        QString error;
        QVERIFY(!storage.open(&error));
        QVERIFY2(error.contains(QStringLiteral("verze 2")), qPrintable(error));
    }

    void usesWriteAheadLoggingOnSqlite() {
        if (config.engine != DatabaseConfig::Engine::SQLite)
            QSKIP("a setting of SQLite files only");
        { QVERIFY(Storage(config).open()); }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "wal-check");
        db.setDatabaseName(config.sqlitePath);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("wal"));
        q = QSqlQuery();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("wal-check");
    }

    void keepsEachResultOnceWithItsFirstDay() {
        Storage storage(config);
        QVERIFY(storage.open());
        QCOMPARE(storage.add({{QStringLiteral("Jan"), 100}}, 1000), std::optional<int>(1));
        QCOMPARE(storage.add({{QStringLiteral("Jan"), 100}, {QStringLiteral("Eva"), 200}}, 2000),
                 std::optional<int>(1));
        // The same name with another score is another result; so is another
        // spelling of the name.
        QCOMPARE(storage.add({{QStringLiteral("Jan"), 101},
                              {QStringLiteral("jan"), 100},
                              {QStringLiteral("Jan "), 100}},
                             3000),
                 std::optional<int>(3));
        QCOMPARE(storage.add({{QStringLiteral("Jan"), 100}, {QStringLiteral("Jan"), 100}}, 4000),
                 std::optional<int>(0));
        const BoardRows rows = storage.best(100).value();
        QCOMPARE(rows.size(), 5);
        const auto jan =
            std::find(rows.begin(), rows.end(), BoardRow{QStringLiteral("Jan"), 100, 1000});
        QVERIFY(jan != rows.end()); // first seen at 1000, not at a later repeat
    }

    void ranksBestFirstThenEarliest() {
        Storage storage(config);
        QVERIFY(storage.open());
        storage.add({{QStringLiteral("C"), 50}}, 300);
        storage.add({{QStringLiteral("B"), 50}, {QStringLiteral("Low"), 1}}, 200);
        storage.add({{QStringLiteral("Top"), 32767}, {QStringLiteral("A"), 50}}, 400);
        QCOMPARE(names(storage.best(100).value()),
                 (QStringList{"Top 32767", "B 50", "C 50", "A 50", "Low 1"}));
        QCOMPARE(names(storage.best(2).value()), (QStringList{"Top 32767", "B 50"}));
    }

    void keepsNamesExactly_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Czech") << QStringLiteral("Příliš žluťoučký kůň");
        QTest::newRow("markup") << QStringLiteral("<b>'\"&amp;");
        QTest::newRow("spaces") << QStringLiteral("   ");
        QTest::newRow("outside the BMP") << QString::fromUcs4(U"\U0001F600 smajlík");
        QTest::newRow("SQL") << QStringLiteral("'); DROP TABLE results; --");
    }
    void keepsNamesExactly() {
        QFETCH(QString, name);
        Storage storage(config);
        QVERIFY(storage.open());
        QCOMPARE(storage.add({{name, 77}}, 5), std::optional<int>(1));
        QCOMPARE(storage.best(1).value(), (BoardRows{{name, 77, 5}}));
    }

    void countsChangesOnlyWhenSomethingIsNew() {
        Storage storage(config);
        QVERIFY(storage.open());
        const qint64 start = storage.changeCount().value();
        storage.add({{QStringLiteral("Jan"), 1}}, 1);
        QCOMPARE(storage.changeCount().value(), start + 1);
        storage.add({{QStringLiteral("Jan"), 1}}, 2);
        QCOMPARE(storage.changeCount().value(), start + 1);
    }

    // Several servers on one database: each writer its own connection.
    void concurrentWritersNeitherLoseNorDuplicate() {
        { QVERIFY(Storage(config).open()); }
        constexpr int kWriters = 4;
        constexpr int kRounds = 25;
        std::atomic<int> failures{0};
        std::vector<std::thread> writers;
        for (int w = 0; w < kWriters; ++w) {
            writers.emplace_back([&, w] {
                Storage storage(config);
                if (!storage.open()) {
                    ++failures;
                    return;
                }
                for (int round = 0; round < kRounds; ++round) {
                    // Half of each post is shared with the other writers.
                    const Results post{{QStringLiteral("shared %1").arg(round), 100 + round},
                                       {QStringLiteral("own %1 %2").arg(w).arg(round), 5}};
                    if (!storage.add(post, round))
                        ++failures;
                }
            });
        }
        for (std::thread &t : writers)
            t.join();
        QCOMPARE(failures.load(), 0);
        const BoardRows rows = everything();
        QCOMPARE(rows.size(), kRounds + kWriters * kRounds);
        QSet<QString> seen;
        for (const BoardRow &r : rows)
            seen.insert(QStringLiteral("%1 %2").arg(r.name).arg(r.score));
        QCOMPARE(seen.size(), rows.size());
    }

    void boardAnswersAPostAndListsIt() {
        Board board(config);
        QVERIFY(board.start());
        const Board::Reply reply =
            board.post(tableOf({{QStringLiteral("Žofie"), 900}, {QStringLiteral("<i>x</i>"), 40}}),
                       "192.0.2.1");
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.html, pages::ok());
        const QString page = QString::fromStdString(board.page().html);
        QVERIFY(page.contains(QStringLiteral("<td class=\"name\">Žofie</td>")));
        QVERIFY(page.contains(QStringLiteral("&lt;i&gt;x&lt;/i&gt;")));
    }

    void boardRefusesAndStoresNothing_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("bad score on place 2")
            << QByteArray("N1=Jan&S1=5&N2=Eva&S2=0&N3=&S3=&N4=&S4=&N5=&S5=") << 400;
        QTest::newRow("too large") << QByteArray(9000, 'x') << 413;
    }
    void boardRefusesAndStoresNothing() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        Board board(config);
        QVERIFY(board.start());
        const Board::Reply reply = board.post(body, "192.0.2.1");
        QCOMPARE(reply.status, status);
        QVERIFY(QString::fromStdString(reply.html).contains(QStringLiteral("lang=\"cs\"")));
        QVERIFY(everything().isEmpty());
    }

    void boardRateLimitsOneAddress() {
        servertest::ManualClock clock;
        Board::Options options;
        options.rateLimit = 3;
        options.steadyNow = clock.function();
        Board board(config, options);
        QVERIFY(board.start());
        const QByteArray empty = tableOf({});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(board.post(empty, "192.0.2.1").status, 200);
        const Board::Reply refused = board.post(empty, "192.0.2.1");
        QCOMPARE(refused.status, 429);
        QCOMPARE(refused.retryAfterSeconds, 60);
        QCOMPARE(board.post(empty, "192.0.2.2").status, 200);
        clock.now += 60s;
        QCOMPARE(board.post(empty, "192.0.2.1").status, 200);
    }

    void pageIsRenderedOncePerChange() {
        Board board(config);
        QVERIFY(board.start());
        board.page();
        board.page();
        QCOMPARE(board.pageRenders(), 1);
        QCOMPARE(board.post(tableOf({{QStringLiteral("Jan"), 5}}), "a").status, 200);
        QVERIFY(QString::fromStdString(board.page().html).contains(QStringLiteral(">Jan<")));
        board.page();
        QCOMPARE(board.pageRenders(), 2);
        // The same table again changes nothing, so nothing is rendered.
        QCOMPARE(board.post(tableOf({{QStringLiteral("Jan"), 5}}), "a").status, 200);
        board.page();
        QCOMPARE(board.pageRenders(), 2);
    }

    void pageSeesWhatAnotherServerAdded() {
        servertest::ManualClock clock;
        Board::Options options;
        options.steadyNow = clock.function();
        options.pageMaxAge = 2s;
        Board reader(config, options);
        Board writer(config, options);
        QVERIFY(reader.start());
        QVERIFY(writer.start());
        QVERIFY(!QString::fromStdString(reader.page().html).contains(QStringLiteral(">Eva<")));
        QCOMPARE(writer.post(tableOf({{QStringLiteral("Eva"), 5}}), "a").status, 200);
        // Within its age the reader serves what it rendered...
        clock.now += 1s;
        QVERIFY(!QString::fromStdString(reader.page().html).contains(QStringLiteral(">Eva<")));
        // ...then it asks the change counter, which the writer moved.
        clock.now += 1s;
        QVERIFY(QString::fromStdString(reader.page().html).contains(QStringLiteral(">Eva<")));
        QCOMPARE(reader.pageRenders(), 2);
        // Nothing changed since: the counter is asked, the page is not redrawn.
        clock.now += 5s;
        reader.page();
        QCOMPARE(reader.pageRenders(), 2);
    }

    // Many HTTP workers post at once through one board: every result arrives
    // once, however the database thread groups them into transactions.
    void concurrentPostsThroughOneBoard() {
        Board::Options options;
        options.rateLimit = 0;
        Board board(config, options);
        QVERIFY(board.start());
        constexpr int kThreads = 8;
        constexpr int kPosts = 30;
        std::atomic<int> notOk{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int p = 0; p < kPosts; ++p) {
                    const QByteArray body = tableOf({{QStringLiteral("hráč %1").arg(p), 1000 + p},
                                                     {QStringLiteral("vlákno %1").arg(t), 1 + p},
                                                     {QStringLiteral("všichni"), 7}});
                    if (board.post(body, "198.51.100.1").status != 200)
                        ++notOk;
                }
            });
        }
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(notOk.load(), 0);
        QCOMPARE(everything().size(), kPosts + kThreads * kPosts + 1);
    }

    // The database goes away under a running board: posts get 503, nothing
    // crashes, the last ranking is still shown, and the board mends itself.
    void outageAnswers503AndRecovers() {
        if (config.engine == DatabaseConfig::Engine::SQLite)
            sqliteOutage();
        else
            postgresqlOutage();
    }

private:
    void sqliteOutage() {
        config.busyTimeoutMs = 50;
        Board board(config);
        QVERIFY(board.start());
        QCOMPARE(board.post(tableOf({{QStringLiteral("Před"), 5}}), "a").status, 200);
        board.page();

        // Another process holds the write lock past the busy timeout.
        QSqlDatabase blocker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "blocker");
        blocker.setDatabaseName(config.sqlitePath);
        QVERIFY(blocker.open());
        QSqlQuery lock(blocker);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(lock.exec(QStringLiteral("INSERT INTO results VALUES ('zámek', 1, 0)")));

        const Board::Reply during = board.post(tableOf({{QStringLiteral("Během"), 6}}), "a");
        QCOMPARE(during.status, 503);
        QVERIFY(QString::fromStdString(during.html).contains(QStringLiteral("nedostupný")));
        QCOMPARE(board.page().status, 200);

        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        lock = QSqlQuery();
        blocker.close();
        blocker = QSqlDatabase();
        QSqlDatabase::removeDatabase("blocker");

        QCOMPARE(board.post(tableOf({{QStringLiteral("Po"), 7}}), "a").status, 200);
        QCOMPARE(names(everything()), (QStringList{"Po 7", "Před 5"}));
    }

    void postgresqlOutage() {
        servertest::TcpRelay relay(config.host, config.port);
        DatabaseConfig viaRelay = config;
        viaRelay.port = relay.port();
        viaRelay.connectTimeoutSeconds = 2;
        Board board(viaRelay);
        QVERIFY(board.start());
        QCOMPARE(board.post(tableOf({{QStringLiteral("Před"), 5}}), "a").status, 200);
        board.page();

        relay.cut();
        QCOMPARE(board.post(tableOf({{QStringLiteral("Během"), 6}}), "a").status, 503);
        QCOMPARE(board.post(tableOf({{QStringLiteral("Během"), 6}}), "a").status, 503);
        QCOMPARE(board.page().status, 200); // the last ranking rendered

        relay.mend();
        QCOMPARE(board.post(tableOf({{QStringLiteral("Po"), 7}}), "a").status, 200);
        QCOMPARE(names(everything()), (QStringList{"Po 7", "Před 5"}));
    }
};

TOQUEL_TEST_MAIN(TestServerStorage)
#include "tst_server_storage.moc"
