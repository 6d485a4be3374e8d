// The game and the score board together: the real send window, offscreen,
// posts the stored table to toquel-skore's routes on 127.0.0.1, and the
// ranking then lists it.
#include "GameFixture.h"
#include "ServerTestSupport.h"
#include "TestMain.h"
#include "server/Board.h"
#include "server/HttpServer.h"
#include "server/Log.h"
#include "server/Storage.h"
#include "web/OdeslatFrm.h"

#include <QLabel>
#include <QNetworkProxy>
#include <QPushButton>

using namespace skore;
using namespace std::chrono_literals;

namespace {

// Generous: a slow machine must not fail a test that waits on a reply.
constexpr int kWait = 20000;

TabulkaSkore playersTable() {
    TabulkaSkore table;
    table.setEntry(0, {QStringLiteral("Žluťoučký kůň"), QStringLiteral("31250")});
    table.setEntry(1, {QStringLiteral(R"(a "b"&<c>+=)"), QStringLiteral("1200")});
    table.setEntry(2, {QStringLiteral("   "), QStringLiteral("75")});
    return table;
}

} // namespace

class TestServerGame : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    DatabaseConfig config;
    std::unique_ptr<Board> board;
    std::unique_ptr<HttpServer> http;
    std::unique_ptr<GameFixture> game;

    // Opens the send window as the menu command does and presses its button.
    OdeslatFrm *send() {
        game->window->setEnabled(false);
        game->window->Zamkni();
        OdeslatFrm *w = Forms::show<OdeslatFrm>();
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdSend")), Qt::LeftButton);
        return w;
    }
    static QString buttonText(OdeslatFrm *w) {
        return w->findChild<QPushButton *>(QStringLiteral("cmdSend"))->text();
    }
    QString page() const {
        const servertest::HttpReply res =
            servertest::exchange(http->port(), "GET /skore HTTP/1.1\r\nHost: skore\r\n\r\n");
        return res.status == 200 ? QString::fromUtf8(res.body) : QString();
    }
    qint64 changes() const {
        Storage storage(config);
        return storage.open() ? storage.changeCount().value_or(-1) : -1;
    }

private slots:
    void initTestCase() {
        log::setLevel(log::Level::Error);
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

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
        board = std::make_unique<Board>(config);
        QVERIFY(board->start());
        http = std::make_unique<HttpServer>(*board);
        QVERIFY(http->bind(QStringLiteral("127.0.0.1"), 0));
        http->start();
        const QString base = QStringLiteral("http://127.0.0.1:%1/skore").arg(http->port());
        OdeslatFrm::setAddresses(QUrl(base + QStringLiteral("/pridejv.asp")), QUrl(base));
        OdeslatFrm::setTimeouts(60s, 60s);
        GameFixture::forgetStoredTable();
        game = std::make_unique<GameFixture>();
        game->start();
        GameFixture::storeTable(playersTable());
    }

    void cleanup() {
        game.reset();
        http.reset();
        board.reset();
        OdeslatFrm::setAddresses({}, {});
        OdeslatFrm::setTimeouts(OdeslatFrm::kStallLimit, OdeslatFrm::kTotalLimit);
    }

    void sendWindowPutsTheTableOnTheBoard() {
        OdeslatFrm *w = send();
        QTRY_COMPARE_WITH_TIMEOUT(buttonText(w), QStringLiteral("OK"), kWait);
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Program se pokusil odeslat výsledky na"));
        const QString html = page();
        QVERIFY(html.contains(QStringLiteral("<td class=\"name\">Žluťoučký kůň</td>"
                                             "<td class=\"score\">31250</td>")));
        QVERIFY(html.contains(QStringLiteral("<td class=\"name\">a &quot;b&quot;&amp;&lt;c&gt;+="
                                             "</td><td class=\"score\">1200</td>")));
        QVERIFY(html.contains(QStringLiteral("<td class=\"name\">   </td>")));
        QCOMPARE(html.count(QStringLiteral("<td class=\"rank\">")), 3);
    }

    void sameTableSentAgainAddsNothing() {
        OdeslatFrm *first = send();
        QTRY_COMPARE_WITH_TIMEOUT(buttonText(first), QStringLiteral("OK"), kWait);
        const QString before = page();
        const qint64 changesBefore = changes();
        first->close();
        QTRY_VERIFY_WITH_TIMEOUT(
            !Forms::existing<OdeslatFrm>() || !Forms::existing<OdeslatFrm>()->isVisible(), kWait);

        OdeslatFrm *second = send();
        QTRY_COMPARE_WITH_TIMEOUT(buttonText(second), QStringLiteral("OK"), kWait);
        // Still reported as sent: the results are on the board, once each.
        QCOMPARE(second->findChild<QLabel *>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Program se pokusil odeslat výsledky na"));
        QCOMPARE(changes(), changesBefore);
        QCOMPARE(page(), before);
        QCOMPARE(page().count(QStringLiteral("<td class=\"rank\">")), 3);
    }

    void emptyTableIsAcceptedAndListsNothing() {
        GameFixture::storeTable(TabulkaSkore());
        OdeslatFrm *w = send();
        QTRY_COMPARE_WITH_TIMEOUT(buttonText(w), QStringLiteral("OK"), kWait);
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Program se pokusil odeslat výsledky na"));
        QVERIFY(page().contains(QStringLiteral("Zatím tu není žádný výsledek")));
    }
};

TOQUEL_TEST_MAIN(TestServerGame)
#include "tst_server_game.moc"
