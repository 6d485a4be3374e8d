// The send window end to end: the real window, offscreen, posting to a
// scripted server and to the toquel-skore program, both on 127.0.0.1.
#include "GameFixture.h"
#include "LocalHttpServer.h"
#include "TestMain.h"
#include "web/SendWindow.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

using Verdict = ReplyJudge::Verdict;

namespace {

// Generous for a slow machine; every limit a test does not exercise is longer,
// so a limit that fails to fire fails the test instead of ending it another way.
constexpr int kWait = 20000;
const QString kPage = QStringLiteral("http://127.0.0.1:9/skore");
// knownTable() as the score board's form, worked out by hand from Windows-1250.
const QByteArray kPostedBody = "N1=%8Elu%9Dou%E8k%FD+k%F9%F2&S1=31250"
                               "&N2=a+%22b%22%26%3Cc%3E%2B%3D&S2=1200&N3=Eva&S3=75&N4=&S4=&N5=&S5=";

ScoreTable knownTable() {
    ScoreTable table;
    table.setEntry(0, {QStringLiteral("Žluťoučký kůň"), QStringLiteral("31250")});
    table.setEntry(1, {QStringLiteral(R"(a "b"&<c>+=)"), QStringLiteral("1200")});
    table.setEntry(2, {QStringLiteral("Eva"), QStringLiteral("75")});
    return table;
}

// Rows with no scripted server: nothing listens at the address, or toquel-skore does.
enum : int { kRefused = -1, kRealBoard = -2 };

// One send: the server's reply, the verdict shown, the requests seen, the limits.
struct Send {
    ScriptedReply reply;
    Verdict verdict;
    int requests = 1;
    int stallMs = 60000, totalMs = 60000;
};

QPushButton *sendButton(SendWindow *w) {
    return w->findChild<QPushButton *>(QStringLiteral("cmdSend"));
}

// What the window shows: the button's caption, then each line with its colour.
QStringList shown(SendWindow *w) {
    QStringList out{sendButton(w)->text()};
    for (const char *name : {"Label2", "Label3", "Label4"}) {
        const auto *label = w->findChild<QLabel *>(QLatin1String(name));
        // The stand-in for the designed font is wider: no line may be cut off.
        const bool fits =
            QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width();
        out << label->text() + (fits ? u""_qs : u" (cut off)"_qs)
            << label->palette().color(QPalette::WindowText).name();
    }
    return out;
}

// What it should show for `verdict`; Sending is the window before any answer.
QStringList look(Verdict verdict) {
    const QString colour = verdict == Verdict::Failed ? u"#ff0000"_qs : u"#000000"_qs;
    const QStringList lines[] = {
        {u"Odeslat na web"_qs, u"Vaše výsledky budou anonymně odeslány na internetovou adresu"_qs,
         u"kde je můžete porovnat s výsledky ostatních hráčů."_qs},
        {u"OK"_qs, u"Program se pokusil odeslat výsledky na"_qs,
         u"Úspěšnost zkontrolujete navštívením této stránky."_qs},
        {u"OK"_qs, u"Bohužel se nepodařilo odeslat výsledky na"_qs,
         u"Připojujete-li se k internetu přes modem, nejprve se připojte."_qs}};
    const QStringList &l = lines[int(verdict)];
    return {l[0], l[1], colour, kPage, u"#000000"_qs, l[2], colour};
}

// Starts toquel-skore on a free port of 127.0.0.1 with a fresh database in
// `folder`; the address it takes the form at, or none when it did not come up.
QUrl startSkore(QProcess &skore, const QString &folder) {
    skore.setStandardErrorFile(QProcess::nullDevice());
    skore.start(QStringLiteral(TOQUEL_SKORE_PROGRAM),
                {u"--listen"_qs, u"127.0.0.1:0"_qs, u"-d"_qs, folder + u"/skore.sqlite"_qs});
    QString banner;
    for (int i = 0; i < 20 && !banner.contains(u'\n') && skore.waitForReadyRead(kWait); ++i)
        banner += QString::fromUtf8(skore.readAllStandardOutput());
    const QRegularExpressionMatch address =
        QRegularExpression(u"http://127\\.0\\.0\\.1:\\d+/skore"_qs).match(banner);
    return address.hasMatch() ? QUrl(address.captured() + u"/pridejv.asp"_qs) : QUrl();
}

} // namespace

Q_DECLARE_METATYPE(Send)

class TestSendWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<LocalHttpServer> server;
    std::unique_ptr<GameFixture> game;

    // A running game whose stored table changed after it started (the window
    // must read it again), and the send window opened from its menu.
    SendWindow *open(const QUrl &post, int stallMs = 60000, int totalMs = 60000,
                     bool paused = false) {
        game.reset(); // one fixture at a time: each sets up the program's hooks
        game = std::make_unique<GameFixture>(
            SendWindow::ScoreBoard{post, QUrl(kPage + u'/'), std::chrono::milliseconds(stallMs),
                                   std::chrono::milliseconds(totalMs)});
        game->start();
        GameFixture::storeTable(knownTable());
        if (paused && !game->trigger("MnPauza"))
            return nullptr;
        return game->trigger("MnOdeslatNv") ? GameFixture::find<SendWindow>() : nullptr;
    }

private slots:
    void init() {
        // Tests talk to 127.0.0.1 only, never through a proxy of the machine.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        GameFixture::forgetStoredTable();
        server = std::make_unique<LocalHttpServer>();
        QVERIFY(server->url().port() > 0);
    }
    void cleanup() {
        game.reset();
        server.reset();
    }

    void sendIsJudged_data() {
        QTest::addColumn<Send>("send");
        QTest::newRow("OK-space") << Send{{200, "OK "}, Verdict::Succeeded};
        QTest::newRow("error page")
            << Send{{500, "<html><body><h1>Server Error</h1></body></html>"}, Verdict::Failed};
        // Nothing to judge yet: the player may press again.
        QTest::newRow("200, empty body") << Send{{200, ""}, Verdict::Sending};
        // An error status fails whatever the body: an empty one must not leave
        // the window waiting, and "OK " under an error is no success.
        QTest::newRow("404, empty body") << Send{{404, ""}, Verdict::Failed};
        QTest::newRow("500, empty body") << Send{{500, ""}, Verdict::Failed};
        QTest::newRow("503, empty body") << Send{{503, ""}, Verdict::Failed};
        QTest::newRow("500, OK-space") << Send{{500, "OK "}, Verdict::Failed};
        // Followed as a browser does; only the page it leads to is judged.
        QTest::newRow("redirect") << Send{
            {307, "Moved", "/skore/hotovo.asp"}, Verdict::Succeeded, 2};
        QTest::newRow("refused connection") << Send{{kRefused, ""}, Verdict::Failed, 0};
        QTest::newRow("real score board") << Send{{kRealBoard, ""}, Verdict::Succeeded, 0};
        QTest::newRow("silent, stall limit") << Send{{0, ""}, Verdict::Failed, 1, 200};
        QTest::newRow("silent, total limit") << Send{{0, ""}, Verdict::Failed, 1, 60000, 200};
        // The head promises far more and the connection stays open: only the
        // size cap can end this in time.
        const QByteArray flood(SendWindow::kMaxReplyBytes + 1, 'x');
        QTest::newRow("reply over the cap") << Send{{200, flood, {}, 64 << 20}, Verdict::Failed};
    }
    void sendIsJudged() {
        QFETCH(Send, send);
        QUrl post = server->url();
        QTemporaryDir folder;
        QProcess skore;
        if (send.reply.status == kRefused) {
            QTcpServer gone;
            QVERIFY(gone.listen(QHostAddress::LocalHost, 0));
            post.setPort(gone.serverPort());
        } else if (send.reply.status == kRealBoard) {
            post = startSkore(skore, folder.path());
            QVERIFY2(!post.isEmpty(), qPrintable(skore.errorString()));
        }
        server->script.push_back(send.reply);
        SendWindow *w = open(post, send.stallMs, send.totalMs);
        QVERIFY(w);
        QCOMPARE(shown(w), look(Verdict::Sending));
        QVERIFY(server->requests.isEmpty()); // nothing goes out before the press
        QTest::mouseClick(sendButton(w), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w->findChildren<QNetworkReply *>().isEmpty(), kWait);
        QCOMPARE(shown(w), look(send.verdict));
        QCOMPARE(server->requests.size(), send.requests);
        // The stored table, read again after the game started, as the form's bytes.
        for (qsizetype i = 0; i < server->requests.size(); ++i) {
            const QByteArray &request = server->requests[i];
            QVERIFY2(
                request.startsWith(i ? "POST /skore/hotovo.asp " : "POST /skore/pridejv.asp ") &&
                    request.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n") &&
                    request.endsWith("\r\n\r\n" + kPostedBody),
                request.constData());
        }
        // The window hung up rather than leave the connection open.
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
        if (send.reply.status == kRealBoard) {
            // What the window posted is what the ranking then lists.
            QNetworkAccessManager network;
            const std::unique_ptr<QNetworkReply> page(
                network.get(QNetworkRequest(post.resolved(QUrl(u"/skore"_qs)))));
            QTRY_VERIFY_WITH_TIMEOUT(page->isFinished(), kWait);
            const QString html = QString::fromUtf8(page->readAll());
            QCOMPARE(html.count(u"<td class=\"rank\">"_qs), 3);
            QVERIFY(html.contains(u"\">Žluťoučký kůň</td><td class=\"score\">31250<"_qs));
            QVERIFY(html.contains(
                u"\">a &quot;b&quot;&amp;&lt;c&gt;+=</td><td class=\"score\">1200<"_qs));
            skore.terminate();
            QVERIFY(skore.waitForFinished(kWait));
        }
    }

    // A table the earlier game wrote may hold a long name and leading zeros,
    // which the score board refuses; they go out as a typed entry would.
    void oldTablesGoOutAsTypedHere() {
        server->script.push_back({200, "OK "});
        SendWindow *w = open(server->url());
        QVERIFY(w);
        ScoreTable old;
        old.setEntry(0, {QString(40, u'x'), u"00120"_qs});
        GameFixture::storeTable(old);
        sendButton(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        QVERIFY(server->requests[0].endsWith("\r\n\r\nN1=" + QByteArray(29, 'x') +
                                             "&S1=120&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5="));
        QCOMPARE(game->window->scoreTable(), old); // the table itself keeps them
    }

    void closingMidSendGivesTheGameBack_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("close box") << u"close box"_qs;
        QTest::newRow("escape") << u"escape"_qs;
        QTest::newRow("paused, close box") << u"paused"_qs;
    }
    void closingMidSendGivesTheGameBack() {
        QFETCH(QString, how);
        const bool paused = how == u"paused"_qs;
        server->script.push_back({0, ""});
        SendWindow *w = open(server->url(), 60000, 60000, paused);
        QVERIFY(w);
        sendButton(w)->click();
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, kWait);
        QCOMPARE(shown(w), look(Verdict::Sending));
        const QPointer<SendWindow> closing(w);
        if (how == u"escape"_qs)
            QTest::keyClick(w, Qt::Key_Escape);
        else
            QVERIFY(w->close());
        QVERIFY(game->window->isEnabled());
        QCOMPARE(game->game().state(), paused ? Game::State::Paused : Game::State::Running);
        // The request is given up with the window, which is then gone.
        QTRY_COMPARE_WITH_TIMEOUT(server->openConnections(), 0, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!closing, kWait);
    }
};

TOQUEL_TEST_MAIN(TestSendWindow)
#include "tst_sendwindow.moc"
