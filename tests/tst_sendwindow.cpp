// The send window end to end: the real window, offscreen, posting to a
// scripted server on 127.0.0.1.
#include "GameFixture.h"
#include "LocalHttpServer.h"
#include "TestMain.h"
#include "web/FormBody.h"
#include "web/OdeslatFrm.h"

#include <QLabel>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPushButton>

using namespace std::chrono_literals;
Q_DECLARE_METATYPE(ScriptedReply)

namespace {

// Generous: a slow machine must not fail a test that waits on a reply.
constexpr int kWait = 20000;

const QString kReady1 =
    QStringLiteral("Vaše výsledky budou anonymně odeslány na internetovou adresu");
const QString kReady2 = QStringLiteral("kde je můžete porovnat s výsledky ostatních hráčů.");
const QString kSuccess1 = QStringLiteral("Program se pokusil odeslat výsledky na");
const QString kSuccess2 = QStringLiteral("Úspěšnost zkontrolujete navštívením této stránky.");
const QString kFailure1 = QStringLiteral("Bohužel se nepodařilo odeslat výsledky na");
const QString kFailure2 =
    QStringLiteral("Připojujete-li se k internetu přes modem, nejprve se připojte.");
const QString kSend = QStringLiteral("Odeslat na web");
const QString kPage = QStringLiteral("http://127.0.0.1:9/skore");

const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);

ScoreTable knownTable() {
    ScoreTable table;
    table.setEntry(0, {QStringLiteral("Žluťoučký kůň"), QStringLiteral("31250")});
    table.setEntry(1, {QStringLiteral(R"(a "b"&<c>+=)"), QStringLiteral("1200")});
    table.setEntry(2, {QStringLiteral("Eva"), QStringLiteral("75")});
    return table;
}

QColor textColour(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestSendWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<GameFixture> game;
    std::unique_ptr<LocalHttpServer> server;

    // Opens the window from the menu.
    OdeslatFrm *open() {
        game->action("MnOdeslatNv")->trigger();
        return Forms::existing<OdeslatFrm>();
    }
    static QPushButton *button(OdeslatFrm *w) {
        return w->findChild<QPushButton *>(QStringLiteral("cmdSend"));
    }
    static QLabel *label(OdeslatFrm *w, const char *name) {
        return w->findChild<QLabel *>(QLatin1String(name));
    }
    // The stand-in for the designed font is wider: no line may be cut off.
    static void verifyLinesFit(OdeslatFrm *w) {
        for (const char *name : {"Label2", "Label3", "Label4"}) {
            const QLabel *l = label(w, name);
            QVERIFY2(QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->width(), name);
        }
    }
    static bool replyRunning(OdeslatFrm *w) {
        return !w->findChildren<QNetworkReply *>().isEmpty();
    }
    void verifyFailed(OdeslatFrm *w) {
        QCOMPARE(button(w)->text(), QStringLiteral("OK"));
        QCOMPARE(label(w, "Label2")->text(), kFailure1);
        QCOMPARE(label(w, "Label4")->text(), kFailure2);
        QCOMPARE(textColour(label(w, "Label2")), kRed);
        QCOMPARE(textColour(label(w, "Label4")), kRed);
        QCOMPARE(label(w, "Label3")->text(), kPage);
        verifyLinesFit(w);
    }

private slots:
    void initTestCase() {
        // Tests talk to 127.0.0.1 only, never through a proxy of the machine.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

    void init() {
        GameFixture::forgetStoredTable();
        server = std::make_unique<LocalHttpServer>();
        QVERIFY(server->isListening());
        OdeslatFrm::setAddresses(server->url(), QUrl(kPage + u'/'));
        OdeslatFrm::setTimeouts(60s, 60s);
        game = std::make_unique<GameFixture>();
        game->start();
        GameFixture::storeTable(knownTable());
    }

    void cleanup() {
        game.reset();
        server.reset();
        OdeslatFrm::setAddresses({}, {});
        OdeslatFrm::setTimeouts(OdeslatFrm::kStallLimit, OdeslatFrm::kTotalLimit);
    }

    void opensReadyWithBlackTexts() {
        OdeslatFrm *w = open();
        QCOMPARE(w->windowTitle(), QStringLiteral("Odeslat výsledky na web"));
        QCOMPARE(w->size(), QSize(338, 115));
        QCOMPARE(button(w)->text(), kSend);
        QVERIFY(button(w)->isEnabled());
        QCOMPARE(label(w, "Label2")->text(), kReady1);
        QCOMPARE(label(w, "Label3")->text(), kPage); // no trailing slash
        QCOMPARE(label(w, "Label4")->text(), kReady2);
        QCOMPARE(textColour(label(w, "Label2")), kBlack);
        QCOMPARE(textColour(label(w, "Label4")), kBlack);
        QVERIFY(label(w, "Label3")->font().bold());
        QCOMPARE(label(w, "Label3")->font().pixelSize(), 16);
        verifyLinesFit(w);
        QVERIFY(!game->window->isEnabled());
        QVERIFY(game->held());
        QVERIFY(server->requests.isEmpty()); // nothing goes out before the press
    }

    void defaultAddressesAreTheBuildOnes() {
        OdeslatFrm::setAddresses({}, {});
        QCOMPARE(OdeslatFrm::submitUrl().path(), QStringLiteral("/skore/pridejv.asp"));
        OdeslatFrm *w = open();
        QVERIFY(!label(w, "Label3")->text().endsWith(u'/'));
        QCOMPARE(label(w, "Label3")->text(), OdeslatFrm::pageUrl().toString());
    }

    void postsTheReloadedTableAsAFormBody() {
        // The table was stored after the game started: the window must read it
        // again rather than send what the game loaded at its start.
        OdeslatFrm *w = open();
        QTest::mouseClick(button(w), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        const RecordedRequest &request = server->requests[0];
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/skore/pridejv.asp"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QVERIFY(request.header("User-Agent").startsWith("Toquel/"));
        QCOMPARE(request.body, FormBody::build(knownTable()));
        QCOMPARE(request.body, QByteArray("N1=%8Elu%9Dou%E8k%FD+k%F9%F2&S1=31250"
                                          "&N2=a+%22b%22%26%3Cc%3E%2B%3D&S2=1200&N3=Eva&S3=75"
                                          "&N4=&S4=&N5=&S5="));
        QCOMPARE(game->window->table(), knownTable());
    }

    // A table the earlier game wrote loads with long names and leading zeros;
    // the score board refuses both, so they go out as a typed entry would.
    void entriesOfTheEarlierGameGoOutAsTypedHere() {
        TabulkaSkore old;
        old.setEntry(0, {QString(40, u'x'), QStringLiteral("00120")});
        old.setEntry(1, {QStringLiteral("b"), QStringLiteral("-007")});
        GameFixture::storeTable(old);
        button(open())->click();
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        QCOMPARE(server->requests[0].body,
                 "N1=" + QByteArray(29, 'x') + "&S1=120&N2=b&S2=-7&N3=&S3=&N4=&S4=&N5=&S5=");
        QCOMPARE(game->window->table(), old); // the table itself keeps them
    }

    void damagedStoredTableSendsAnEmptyTable() {
        QSettings(QStringLiteral("Toquel"), QStringLiteral("Toquel"))
            .setValue(QStringLiteral("Skore/HiSkore"), QStringLiteral("not a table"));
        OdeslatFrm *w = open();
        const qsizetype asked = game->asked.size();
        button(w)->click();
        QCOMPARE(game->asked.size(), asked + 1);
        QCOMPARE(game->asked.back().title, QStringLiteral("Poškození výsledků"));
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        QCOMPARE(server->requests[0].body, QByteArray("N1=&S1=&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5="));
    }

    void staysReadyWhileTheReplyIsOnItsWay() {
        server->script(ScriptedReply::inMode(ScriptedReply::Mode::NeverAnswer));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        QCOMPARE(button(w)->text(), kSend);
        QVERIFY(button(w)->isEnabled());
        QCOMPARE(label(w, "Label2")->text(), kReady1);
        QVERIFY(replyRunning(w));
    }

    void okReplySucceeds_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::newRow("bare OK-space") << ScriptedReply::page(200, "OK ");
        QTest::newRow("OK-space page") << ScriptedReply::page(200, "<html><body>OK </body></html>");
        ScriptedReply pieces = ScriptedReply::page(200, "<html><body>OK </body></html>");
        pieces.mode = ScriptedReply::Mode::InPieces;
        QTest::newRow("in pieces") << pieces;
        ScriptedReply utf16 = ScriptedReply::page(200, QByteArray("O\0K\0 \0", 6));
        utf16.contentType = "text/html; charset=utf-16le";
        QTest::newRow("utf-16") << utf16;
    }
    void okReplySucceeds() {
        QFETCH(ScriptedReply, reply);
        server->script(reply);
        OdeslatFrm *w = open();
        QTest::mouseClick(button(w), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        QCOMPARE(label(w, "Label2")->text(), kSuccess1);
        QCOMPARE(label(w, "Label3")->text(), kPage);
        QCOMPARE(label(w, "Label4")->text(), kSuccess2);
        QCOMPARE(textColour(label(w, "Label2")), kBlack);
        QCOMPARE(textColour(label(w, "Label4")), kBlack);
        QVERIFY(button(w)->isEnabled());
        verifyLinesFit(w);
    }

    void badReplyFails_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::newRow("server error page")
            << ScriptedReply::page(500, "<html><body><h1>Internal Server Error</h1></body></html>");
        QTest::newRow("not found") << ScriptedReply::page(404, "Not Found");
        QTest::newRow("bad request") << ScriptedReply::page(400, "Bad Request");
        QTest::newRow("unusual status") << ScriptedReply::page(418, "teapot");
        // An error status fails whatever the body: an empty one must not leave
        // the window waiting, and "OK " under an error is no success.
        QTest::newRow("not found, empty body") << ScriptedReply::page(404, {});
        QTest::newRow("server error, empty body") << ScriptedReply::page(500, {});
        QTest::newRow("unavailable, empty body") << ScriptedReply::page(503, {});
        QTest::newRow("server error status, OK-space body") << ScriptedReply::page(500, "OK ");
        QTest::newRow("not found status, OK-space body") << ScriptedReply::page(404, "OK ");
        // Read as UTF-8 these bytes would be "OK " with NULs the parser drops;
        // the header says they are three CJK characters.
        ScriptedReply utf16be = ScriptedReply::page(200, QByteArray("O\0K\0 \0", 6));
        utf16be.contentType = "text/html; charset=utf-16be";
        QTest::newRow("charset of the header is used") << utf16be;
        QTest::newRow("other text") << ScriptedReply::page(200, "Chyba databáze");
        QTest::newRow("OK without space") << ScriptedReply::page(200, "OK");
        QTest::newRow("newline after the page")
            << ScriptedReply::page(200, "<html><body>OK </body></html>\n");
        QTest::newRow("connection closed without a reply")
            << ScriptedReply::inMode(ScriptedReply::Mode::CloseWithoutReply);
        ScriptedReply cut = ScriptedReply::page(200, "OK ");
        cut.mode = ScriptedReply::Mode::InPieces;
        cut.announcedLength = 100; // the connection closes after three of them
        QTest::newRow("reply cut short") << cut;
    }
    void badReplyFails() {
        QFETCH(ScriptedReply, reply);
        server->script(reply);
        // Qt sends once more on a new connection when one closes unanswered.
        server->fallback = reply;
        OdeslatFrm *w = open();
        QTest::mouseClick(button(w), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        verifyFailed(w);
    }

    void refusedConnectionFails() {
        quint16 closedPort = 0;
        {
            QTcpServer gone;
            QVERIFY(gone.listen(QHostAddress::LocalHost, 0));
            closedPort = gone.serverPort();
        }
        OdeslatFrm::setAddresses(
            QUrl(QStringLiteral("http://127.0.0.1:%1/skore/pridejv.asp").arg(closedPort)),
            QUrl(kPage));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        verifyFailed(w);
    }

    void silentServerFailsAfterTheStallLimit() {
        OdeslatFrm::setTimeouts(200ms, 60s);
        server->script(ScriptedReply::inMode(ScriptedReply::Mode::NeverAnswer));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        verifyFailed(w);
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
    }

    void tricklingServerFailsAfterTheTotalLimit() {
        // A byte every few milliseconds keeps the stall limit from ever firing.
        OdeslatFrm::setTimeouts(60s, 300ms);
        ScriptedReply trickle = ScriptedReply::page(200, QByteArray(20000, 'x'));
        trickle.mode = ScriptedReply::Mode::InPieces;
        server->script(trickle);
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        verifyFailed(w);
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
    }

    void oversizedReplyIsCutOffAndFails() {
        // The head promises far more than a megabyte and the server keeps
        // sending: only the size limit can end this in time.
        ScriptedReply flood = ScriptedReply::page(200, QByteArray(3 * 1024 * 1024, 'x'));
        flood.mode = ScriptedReply::Mode::InPieces;
        flood.pieceSize = 64 * 1024;
        flood.pieceIntervalMs = 1;
        flood.announcedLength = 64 * 1024 * 1024;
        flood.closeAfterBody = false;
        server->script(flood);
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        verifyFailed(w);
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
    }

    void emptyReplyChangesNothing() {
        server->script(ScriptedReply::page(200, {}));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!replyRunning(w), kWait);
        QCOMPARE(button(w)->text(), kSend);
        QCOMPARE(label(w, "Label2")->text(), kReady1);
        QCOMPARE(label(w, "Label4")->text(), kReady2);
        QCOMPARE(textColour(label(w, "Label2")), kBlack);

        // The player may try again.
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        QCOMPARE(server->requests.size(), 2);
        QCOMPARE(label(w, "Label2")->text(), kSuccess1);
    }

    void okClosesWithoutSendingMore() {
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        QTest::mouseClick(button(w), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::existing<OdeslatFrm>(), kWait);
        QCOMPARE(server->requests.size(), 1);
        QVERIFY(game->window->isEnabled());
        QVERIFY(game->running());
    }

    void pressingTwiceBeforeAReplySendsTwice() {
        server->script(ScriptedReply::inMode(ScriptedReply::Mode::NeverAnswer));
        server->script(ScriptedReply::page(200, "OK "));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        QCOMPARE(server->requests.size(), 2);
        QCOMPARE(server->requests[1].body, server->requests[0].body);
        QCOMPARE(label(w, "Label2")->text(), kSuccess1);

        // The first request was given up: its late answer changes nothing.
        server->answerWaiting(ScriptedReply::page(500, "error"));
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
        QCOMPARE(label(w, "Label2")->text(), kSuccess1);
    }

    void redirectsAreFollowedAsByABrowser_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("method");
        // After a post, 301, 302 and 303 fetch the new place; 307 and 308 post again.
        QTest::newRow("301") << 301 << QByteArray("GET");
        QTest::newRow("302") << 302 << QByteArray("GET");
        QTest::newRow("303") << 303 << QByteArray("GET");
        QTest::newRow("307") << 307 << QByteArray("POST");
        QTest::newRow("308") << 308 << QByteArray("POST");
    }
    void redirectsAreFollowedAsByABrowser() {
        QFETCH(int, status);
        QFETCH(QByteArray, method);
        // The redirect's own page is never judged, only the one it leads to.
        ScriptedReply moved = ScriptedReply::page(status, "<html><body>Moved</body></html>");
        moved.extraHeaders = {{"Location", "/skore/hotovo.asp"}};
        server->script(moved);
        server->script(ScriptedReply::page(200, "OK "));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        QCOMPARE(label(w, "Label2")->text(), kSuccess1);
        QCOMPARE(server->requests.size(), 2);
        QCOMPARE(server->requests[1].method, method);
        QCOMPARE(server->requests[1].path, QByteArray("/skore/hotovo.asp"));
        QCOMPARE(server->requests[1].body,
                 method == "POST" ? FormBody::build(knownTable()) : QByteArray());
    }

    void redirectToAnotherSchemeIsNotFollowed() {
        ScriptedReply away = ScriptedReply::page(302, {});
        away.extraHeaders = {{"Location", "ftp://127.0.0.1/skore"}};
        server->script(away);
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        verifyFailed(w);
        QCOMPARE(server->requests.size(), 1);
    }

    void closingWhileSendingRunsTheClosingProtocol_data() {
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("close box") << false << false;
        QTest::newRow("close box, paused") << true << false;
        QTest::newRow("escape") << false << true;
    }
    void closingWhileSendingRunsTheClosingProtocol() {
        QFETCH(bool, paused);
        QFETCH(bool, byEscape);
        if (paused)
            game->action("MnPauza")->trigger();
        server->script(ScriptedReply::inMode(ScriptedReply::Mode::NeverAnswer));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);

        if (byEscape)
            QTest::keyClick(w, Qt::Key_Escape);
        else
            w->close();
        QVERIFY(game->window->isEnabled());
        QCOMPARE(game->running(), !paused);
        QCOMPARE(game->held(), paused);
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::existing<OdeslatFrm>(), kWait);

        // The server answers after the window is gone; nobody is listening.
        server->answerWaiting(ScriptedReply::page(200, "OK "));
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
        QCOMPARE(server->requests.size(), 1);
        QVERIFY(game->window->isEnabled());
    }

    void closingWhileAReplyStreamsInIsClean() {
        ScriptedReply slow = ScriptedReply::page(200, QByteArray(5000, 'x'));
        slow.mode = ScriptedReply::Mode::InPieces;
        server->script(slow);
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_VERIFY_WITH_TIMEOUT(replyRunning(w) && server->requests.size() == 1, kWait);
        w->close();
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::existing<OdeslatFrm>(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
        QVERIFY(game->window->isEnabled());
    }

    void reopenedWindowStartsReady() {
        server->script(ScriptedReply::page(500, "error"));
        OdeslatFrm *w = open();
        button(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(button(w)->text(), QStringLiteral("OK"), kWait);
        button(w)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::existing<OdeslatFrm>(), kWait);

        w = open();
        QCOMPARE(button(w)->text(), kSend);
        QCOMPARE(label(w, "Label2")->text(), kReady1);
        QCOMPARE(textColour(label(w, "Label2")), kBlack);
        QCOMPARE(textColour(label(w, "Label4")), kBlack);
    }
};

TOQUEL_TEST_MAIN(TestSendWindow)
#include "tst_sendwindow.moc"
