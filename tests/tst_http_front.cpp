// The score board's HTTP front under siege and as clients really speak it:
// slots under a flood of silent connections, heads counted whole, trailers,
// 100 Continue and absolute targets, idle buffers, stopping at awkward moments.
#include "ServerTestSupport.h"
#include "TestMain.h"
#include "rules/web/ReplyJudge.h"
#include "server/ConnectionSlots.h"

#include <future>
#include <list>
#include <malloc.h>

using namespace skore;
using namespace servertest;
using namespace std::chrono_literals;

namespace {

const QByteArray kEmptyTable = "N1=&S1=&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5=";

// Bytes the process has taken from the heap, its server threads' included.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

} // namespace

class TestHttpFront : public ServedBoardTest {
    Q_OBJECT

    // Whether stop() returns in time. A server that hangs is left behind with
    // its board: its threads can be neither joined nor let loose on freed memory.
    bool stopsWithin(std::chrono::milliseconds time) {
        auto stopped = std::make_shared<std::promise<void>>();
        std::future<void> done = stopped->get_future();
        std::thread([server = http.get(), stopped] {
            server->stop();
            stopped->set_value();
        }).detach();
        if (done.wait_for(time) == std::future_status::ready)
            return true;
        http.release();
        board.release();
        return false;
    }

private slots:
    void init() { freshFolder(); }
    void cleanup() { stop(); }

    // 64 addresses holding silent connections took every slot: a player from
    // elsewhere got 503 for almost every page.
    void silentConnectionsGiveTheirSlotsToNewClients() {
        QVERIFY(serve({}, {.perClientConnections = 2, .totalConnections = 48}));
        const auto attacker = [](int i) { return u"127.0.10.%1"_qs.arg(1 + i % 64); };
        // A browser keeps its connection after a page: silent longest, it goes first.
        Client browser(http->port(), u"127.0.0.2"_qs);
        QVERIFY(browser.send(kGet + "\r\n"));
        QCOMPARE(browser.read().status, 200);
        // Its client has the reply before the server is done writing it: silent only then.
        QTRY_COMPARE(http->silentConnections(), 1);
        std::list<Client> flood;
        for (int i = 0; i < 128; ++i)
            flood.emplace_back(http->port(), attacker(i));
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 48, 5000);
        // A player's connection, silent again after each page, is the newest silent one.
        Client &player = flood.emplace_back(http->port(), u"127.0.0.3"_qs);
        for (int page = 0; page < 10; ++page) {
            QVERIFY(player.send(kGet + "\r\n"));
            QCOMPARE(player.read().status, 200);
            for (int i = 0; i < 8; ++i) // reopened, as the flood does
                flood.emplace_back(http->port(), attacker(page * 8 + i));
        }
        QVERIFY(!browser.send(kGet + "\r\n") || browser.read().status == -1);
        // Gone, they leave their addresses free again, each within its cap.
        flood.clear();
        QTRY_COMPARE_WITH_TIMEOUT(http->connections(), 0, 5000);
        Client first(http->port(), attacker(0)), second(http->port(), attacker(0));
        QCOMPARE(Client(http->port(), attacker(0)).read().status, 429);
        QVERIFY(first.send(kGet + "\r\n"));
        QCOMPARE(first.read().status, 200);
    }

    // The last answer: the first address once more, through a trusted proxy,
    // where every client comes from one address.
    void eachClientHasItsCap_data() {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("answers");
        QTest::newRow("one IPv6 /64")
            << QStringList{"2001:db8:0:1::1", "2001:db8:0:1::2", "2001:db8:0:1:ffff::3"}
            << u"++-+"_qs;
        QTest::newRow("the /64s of one /56")
            << QStringList{"2001:db8:0:1::1", "2001:db8:0:2::1", "2001:db8:0:3::1",
                           "2001:db8:0:ff::1", "2001:db8:0:100::1"}
            << u"+++-++"_qs;
    }
    void eachClientHasItsCap() {
        QFETCH(QStringList, addresses);
        ConnectionSlots pool({.perClientConnections = 2, .perNetworkConnections = 3});
        std::list<ConnectionSlots::Slot> taken;
        QString answers;
        const auto take = [&](const QString &address, bool direct) {
            const auto refusal =
                pool.take(*ipBytes(address.toStdString()), direct, &taken.emplace_back());
            answers += refusal == ConnectionSlots::Refusal::None ? u'+' : u'-';
        };
        for (const QString &address : addresses)
            take(address, true);
        take(addresses.front(), false);
        QTEST(answers, "answers");
    }

    // Each step sends its bytes on one connection and reads one reply; the last reply is a
    // page in Czech that says what became of the request. The connection comes from a
    // trusted proxy, and a client may post once.
    void requestsAsClientsSendThem_data() {
        QTest::addColumn<QByteArrayList>("sends");
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QByteArray>("says");
        const auto row = [](const char *name, const QByteArrayList &sends, QList<int> statuses,
                            const QByteArray &says) {
            QTest::newRow(name) << sends << statuses << says;
        };
        const QByteArray form = "Content-Length: " + QByteArray::number(kEmptyTable.size());
        const QByteArray chunked = kPost + "Transfer-Encoding: chunked\r\n\r\n";
        const QByteArray big(9000, 'a'), extension = ";" + QByteArray(10000, 'x') + "\r\n";
        const QByteArray overTheLimit = "8192 bajtů";
        row("a form the game would not send", {postRequest("N1=Jan&S1=0")}, {400}, "chybí pole N2");
        row("an unknown path", {"GET /index.php HTTP/1.1\r\nHost: a\r\n\r\n"}, {404}, "nenalezena");
        row("no Host", {"GET /skore HTTP/1.1\r\n\r\n"}, {400}, "nerozumí");
        row("a post without a length", {kPost + "\r\nN1=a"}, {411}, "Content-Length");
        row("a head of 9000 bytes", {kGet + "X: " + big + "\r\n\r\n"}, {431}, overTheLimit);
        // The parser takes in the lines of the first read, and never sees 8 KiB after them.
        row("a head of 8232 bytes in lines of 100",
            {kGet + QByteArray("X: " + QByteArray(95, 'y') + "\r\n").repeated(82) + "\r\n"}, {431},
            overTheLimit);
        row("101 fields", {kGet + QByteArray("X: y\r\n").repeated(100) + "\r\n"}, {431},
            "100 polí");
        row("curl's Expect: 100-continue, then the body",
            {kPost + "Expect: 100-continue\r\n" + form + "\r\n\r\n", kEmptyTable}, {100, 200},
            "OK ");
        row("Expect with a body over 8 KiB: refused at once, nothing read",
            {kPost + "Expect: 100-continue\r\nContent-Length: 1048576\r\n\r\n"}, {413},
            overTheLimit);
        row("absolute form with a port and a query",
            {"GET HTTP://a:8080/skore?x=1 HTTP/1.1\r\nHost: a\r\n\r\n"}, {200}, "Toquel");
        row("empty lines before the request line", {"\r\n\n\r\n" + kGet + "\r\n"}, {200}, "Toquel");
        // Two players behind the proxy: the rate limit counts the one the head names. Eva's
        // chunked post ends with a trailer naming Jan, read after the head was judged: not his.
        const QByteArray eva = "X-Forwarded-For: 192.0.2.1\r\n",
                         jan = "X-Forwarded-For: 192.0.2.9\r\n";
        row("through the proxy: Eva's post with a trailer naming Jan, Jan's, Eva's again",
            {kPost + eva + "Transfer-Encoding: chunked\r\n\r\n5\r\nN1=&S\r\n22\r\n" +
                 kEmptyTable.mid(5) + "\r\n0\r\n" + jan + "\r\n",
             postRequest(kEmptyTable, jan), postRequest(kEmptyTable, eva)},
            {200, 200, 429}, "nejvýše 1krát za 60 sekund");
        row("a chunked body of 9000 bytes", {chunked + "2328\r\n" + big + "\r\n0\r\n\r\n"}, {413},
            overTheLimit);
        row("a chunk extension of 20,000 bytes", {chunked + "5;" + QByteArray(20000, 'x')}, {413},
            overTheLimit);
        row("chunk extensions of 10,000 bytes, chunk after chunk",
            {chunked + "5" + extension + "N1=&S\r\n5" + extension + "1=&N2\r\n"}, {413},
            overTheLimit);
    }
    void requestsAsClientsSendThem() {
        QFETCH(QByteArrayList, sends);
        QFETCH(QList<int>, statuses);
        QFETCH(QByteArray, says);
        TrustedProxies proxy;
        QVERIFY(proxy.add("127.0.0.1") && serve({.rateLimit = 1}, {}, proxy));
        Client client(http->port());
        HttpReply reply;
        for (qsizetype i = 0; i < sends.size(); ++i) {
            QVERIFY(client.send(sends[i]));
            QCOMPARE((reply = client.read()).status, statuses[i]);
        }
        QCOMPARE(reply.header("Content-Type"), QByteArray("text/html; charset=utf-8"));
        QVERIFY2(reply.body.contains(says), reply.body.constData());
        QCOMPARE(reply.header("Retry-After").toInt() > 0, reply.status == 429);
        // The game takes the post for stored when the page says "OK ", and only then.
        const auto verdict = ReplyJudge::judge(reply.body, reply.header("Content-Type"));
        QCOMPARE(verdict == ReplyJudge::Verdict::Succeeded, says == "OK ");
    }

    // 800 connections left idle after a 7 KB request once held 13 MB more
    // than after a short one.
    void idleConnectionsGiveBackTheirBuffers() {
        QVERIFY(serve({}, {.idleTimeout = 60s, .perClientConnections = 1000}));
        std::list<Client> clients;
        const auto growthOfIdle = [&](const QByteArray &pad) {
            const qint64 before = heapInUse();
            for (int i = 0; i < 100; ++i)
                if (!clients.emplace_back(http->port())
                         .send("GET /x HTTP/1.1\r\nHost: a\r\nX-Pad: " + pad + "\r\n\r\n") ||
                    clients.back().read().status != 404)
                    return qint64(-1);
            return heapInUse() - before;
        };
        const qint64 small = growthOfIdle("1");
        QVERIFY(small >= 0);
        QCOMPARE_LT(small, 100 * 8 * 1024); // a few KB a silent connection
        const qint64 before = heapInUse();
        QVERIFY(growthOfIdle(QByteArray(7000, 'a')) >= 0);
        // The last replies' handlers may still run: the buffers shrink as
        // each connection falls silent.
        QTRY_COMPARE_LT(heapInUse() - before - small, 100 * 1024);
    }

    void stopsAtAwkwardMoments_data() {
        QTest::addColumn<bool>("askedBeforeTheLoop");
        QTest::addColumn<int>("sweepMs");
        QTest::addColumn<bool>("silentClient");
        QTest::newRow("SIGTERM before the loop runs") << true << 10000 << false;
        QTest::newRow("SIGTERM while the sweep fires") << false << 0 << false;
        // Closed at once: the grace is for requests in progress.
        QTest::newRow("SIGTERM with a silent connection") << false << 10000 << true;
    }
    void stopsAtAwkwardMoments() {
        QFETCH(bool, askedBeforeTheLoop);
        QFETCH(int, sweepMs);
        QFETCH(bool, silentClient);
        // The sweep's timer fires at once and again: a shutdown lands at
        // every point of its round sooner or later.
        for (int round = 0; round < (silentClient ? 1 : 200); ++round) {
            const std::chrono::milliseconds sweep(sweepMs);
            QVERIFY(serve({}, {.shutdownGrace = 10s, .sweepInterval = sweep}, {}, false));
            if (askedBeforeTheLoop)
                http->shutdown();
            http->start();
            std::optional<Client> client;
            if (silentClient)
                client.emplace(http->port());
            QTRY_COMPARE_WITH_TIMEOUT(http->connections(), int(silentClient), 5000);
            QVERIFY2(stopsWithin(3s), qPrintable(u"round %1"_qs.arg(round)));
        }
    }

    // A request begun before the stop still gets its answer within the grace.
    void stopAnswersTheRequestInProgress() {
        QVERIFY(serve({}, {.shutdownGrace = 10s}));
        Client client(http->port());
        QVERIFY(client.send(kGet));
        QTRY_COMPARE(http->connections(), 1);
        QTRY_COMPARE(http->silentConnections(), 0); // its head read in part
        http->shutdown();
        QVERIFY(client.send("\r\n"));
        QCOMPARE(client.read().status, 200);
        QVERIFY(stopsWithin(3s));
    }
};

TOQUEL_TEST_MAIN(TestHttpFront)
#include "tst_http_front.moc"
