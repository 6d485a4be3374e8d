// The score board over HTTP on 127.0.0.1: the real routes of toquel-skore with
// a client, on SQLite and (when the test command started one) PostgreSQL.
#include "ServerTestSupport.h"
#include "TestMain.h"
#include "server/Board.h"
#include "server/HttpServer.h"
#include "server/Log.h"
#include "server/Pages.h"
#include "server/Storage.h"
#include "web/FormBody.h"
#include "web/ReplyJudge.h"

#include <httplib.h>
#include <memory>
#include <thread>

using namespace skore;

namespace {

constexpr char kForm[] = "application/x-www-form-urlencoded";

QByteArray tableOf(const QList<QPair<QString, int>> &results) {
    ScoreTable table;
    for (int i = 0; i < results.size(); ++i)
        table.setEntry(i, {results[i].first, QString::number(results[i].second)});
    return FormBody::build(table);
}

std::string text(const QByteArray &bytes) {
    return bytes.toStdString();
}

} // namespace

class TestServerHttp : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    DatabaseConfig config;
    std::unique_ptr<Board> board;
    std::unique_ptr<HttpServer> http;

    void serve(Board::Options options = {}) {
        http.reset();
        board = std::make_unique<Board>(config, options);
        QString error;
        QVERIFY2(board->start(&error), qPrintable(error));
        http = std::make_unique<HttpServer>(*board, 8);
        QVERIFY(http->bind(QStringLiteral("127.0.0.1"), 0));
        http->start();
    }
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", http->port());
        c.set_connection_timeout(10);
        c.set_read_timeout(20);
        return c;
    }
    httplib::Result post(const QByteArray &body) const {
        return client().Post("/skore/pridejv.asp", text(body), kForm);
    }
    QString page() const {
        const auto res = client().Get("/skore");
        return res ? QString::fromStdString(res->body) : QString();
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
        serve();
    }

    void cleanup() {
        http.reset();
        board.reset();
    }

    void goodPostIsAnsweredWithExactlyOk() {
        const auto res = post(tableOf({{QStringLiteral("Žluťoučký kůň"), 31250}}));
        QVERIFY(res);
        QCOMPARE(res->status, 200);
        QCOMPARE(res->body, pages::ok());
        QCOMPARE(res->get_header_value("Content-Type"), std::string("text/html; charset=utf-8"));
        QCOMPARE(
            ReplyJudge::judge(QByteArray::fromStdString(res->body),
                              QByteArray::fromStdString(res->get_header_value("Content-Type"))),
            ReplyJudge::Verdict::Succeeded);
    }

    void repeatedPostIsStillOkAndKeptOnce() {
        const QByteArray body =
            tableOf({{QStringLiteral("Jan"), 500}, {QStringLiteral("Eva"), 90}});
        QCOMPARE(post(body)->body, pages::ok());
        QCOMPARE(post(body)->body, pages::ok());
        const QString board = page();
        QCOMPARE(board.count(QStringLiteral("<td class=\"name\">Jan</td>")), 1);
        QCOMPARE(board.count(QStringLiteral("<td class=\"name\">Eva</td>")), 1);
    }

    void pageListsResultsInCzech() {
        post(tableOf({{QStringLiteral("Černá <b>"), 300}, {QStringLiteral("Bílý"), 200}}));
        const auto res = client().Get("/skore/");
        QVERIFY(res);
        QCOMPARE(res->status, 200);
        QCOMPARE(res->get_header_value("Content-Type"), std::string("text/html; charset=utf-8"));
        const QString html = QString::fromStdString(res->body);
        QVERIFY(html.contains(QStringLiteral("<html lang=\"cs\">")));
        QVERIFY(html.contains(QStringLiteral("Celosvětový žebříček")));
        const qsizetype first = html.indexOf(QStringLiteral("Černá &lt;b&gt;"));
        const qsizetype second = html.indexOf(QStringLiteral(">Bílý<"));
        QVERIFY(first > 0 && second > first);
        QVERIFY(!html.contains(QStringLiteral("<b>")));
        QCOMPARE(page(), html); // /skore and /skore/ are one page
    }

    void headAnswersWithoutABody() {
        const auto get = client().Get("/skore");
        const auto head = client().Head("/skore");
        QVERIFY(head);
        QCOMPARE(head->status, 200);
        QVERIFY(head->body.empty());
        QCOMPARE(head->get_header_value("Content-Length"), std::to_string(get->body.size()));
    }

    void refusedRequestsGetCzechPages_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QByteArray post = "/skore/pridejv.asp";
        QTest::newRow("bad score") << QByteArray("POST") << post
                                   << QByteArray("N1=Jan&S1=0&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5=")
                                   << 400 << QStringLiteral("Skóre na 1. místě");
        QTest::newRow("missing field") << QByteArray("POST") << post << QByteArray("N1=Jan&S1=5")
                                       << 400 << QStringLiteral("chybí pole N2");
        QTest::newRow("9000 bytes") << QByteArray("POST") << post << QByteArray(9000, 'a') << 413
                                    << QStringLiteral("nejvýše 8192 bajtů");
        QTest::newRow("unknown path") << QByteArray("GET") << QByteArray("/index.php")
                                      << QByteArray() << 404 << QStringLiteral("nenalezena");
        QTest::newRow("path below the board")
            << QByteArray("GET") << QByteArray("/skore/x") << QByteArray() << 404
            << QStringLiteral("nenalezena");
        QTest::newRow("reading the post address")
            << QByteArray("GET") << post << QByteArray() << 405 << QStringLiteral("metodou POST");
    }
    void refusedRequestsGetCzechPages() {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, says);
        httplib::Client c = client();
        const auto res = method == "GET" ? c.Get(path.toStdString())
                                         : c.Post(path.toStdString(), text(body), kForm);
        QVERIFY(res);
        QCOMPARE(res->status, status);
        QCOMPARE(res->get_header_value("Content-Type"), std::string("text/html; charset=utf-8"));
        const QString html = QString::fromStdString(res->body);
        QVERIFY2(html.contains(says), qPrintable(html));
        QVERIFY(html.startsWith(QStringLiteral("<!DOCTYPE html><html lang=\"cs\">")));
        QCOMPARE(ReplyJudge::judge(res->body.c_str()), ReplyJudge::Verdict::Failed);
        QVERIFY(!page().contains(QStringLiteral(">Jan<")));
    }

    void eleventhPostOfAMinuteIsRefused() {
        const QByteArray empty = tableOf({});
        for (int i = 0; i < 10; ++i)
            QCOMPARE(post(empty)->status, 200);
        const auto refused = post(empty);
        QCOMPARE(refused->status, 429);
        QVERIFY(std::stoi(refused->get_header_value("Retry-After")) > 0);
        QVERIFY(QString::fromStdString(refused->body).contains(QStringLiteral("Zkuste to")));
        QCOMPARE(client().Get("/skore")->status, 200); // reading is never limited
    }

    void concurrentClientsNeitherLoseNorDuplicate() {
        Board::Options unlimited;
        unlimited.rateLimit = 0;
        serve(unlimited);
        constexpr int kClients = 6;
        constexpr int kPosts = 15;
        std::atomic<int> notOk{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c) {
            clients.emplace_back([&, c] {
                httplib::Client one = client();
                for (int p = 0; p < kPosts; ++p) {
                    const auto res =
                        one.Post("/skore/pridejv.asp",
                                 text(tableOf({{QStringLiteral("společný %1").arg(p), 2000 + p},
                                               {QStringLiteral("klient %1").arg(c), 10 + p}})),
                                 kForm);
                    if (!res || res->body != pages::ok())
                        ++notOk;
                }
            });
        }
        for (std::thread &t : clients)
            t.join();
        QCOMPARE(notOk.load(), 0);
        Storage storage(config);
        QVERIFY(storage.open());
        QCOMPARE(storage.best(1000)->size(), kPosts + kClients * kPosts);
        QCOMPARE(page().count(QStringLiteral("<tr><td class=\"rank\">")), 100);
    }
};

TOQUEL_TEST_MAIN(TestServerHttp)
#include "tst_server_http.moc"
