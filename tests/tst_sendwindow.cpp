// The send window end to end, offscreen, posting to a scripted server on 127.0.0.1.
#include "GameFixture.h"
#include "windows/SendWindow.h"

#include <QtNetwork>
#include <QtWidgets>

using Verdict = ReplyJudge::Verdict;
using namespace std::chrono_literals;

namespace {

// Generous; a limit a row does not exercise is longer, so one that fails to fire fails the row.
constexpr int kWait = 20000;
const QString kPage = QStringLiteral("http://127.0.0.1:9/skore");
// knownTable() as the score board's form, worked out by hand from Windows-1250.
const QByteArray kPostedBody = "N1=%8Elu%9Dou%E8k%FD+k%F9%F2&S1=31250"
                               "&N2=a+%22b%22%26%3Cc%3E%2B%3D&S2=1200&N3=Eva&S3=75&N4=&S4=&N5=&S5=";

ScoreTable knownTable() {
    ScoreTable table;
    table.setEntry(0, {u"Žluťoučký kůň"_qs, 31250});
    table.setEntry(1, {uR"(a "b"&<c>+=)"_qs, 1200});
    table.setEntry(2, {u"Eva"_qs, 75});
    return table;
}

// One send: the verdict shown; the server's reply (status 0 reads the request and leaves it
// hanging, -1: nothing listens); the requests it sees; the limits; an earlier game's table
// stored once the window is open; the window closed mid send ("paused": on a paused game).
struct Send {
    Verdict verdict = Verdict::Succeeded;
    int status = 200;
    QByteArray body = "OK ", location{}; // a Location header, for a redirect
    qint64 announcedLength = -1;         // longer than the body: the connection stays open after it
    int requests = 1;
    std::chrono::milliseconds stall = 60s, total = 60s;
    bool oldTable = false;
    QString close{};
};

// A scripted HTTP server on 127.0.0.1: records each request whole (head, blank line, body)
// and answers it with the next reply of the script, or "OK " once that is used up.
class LocalHttpServer : public QTcpServer {
public:
    QList<QByteArray> requests;
    QList<Send> script;

    bool allClosed() const {
        return std::ranges::none_of(findChildren<QTcpSocket *>(), [](const QTcpSocket *socket) {
            return socket->state() == QAbstractSocket::ConnectedState;
        });
    }

protected:
    void incomingConnection(qintptr handle) override {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            // Left in the socket until the head and the body its Content-Length announces are in.
            const QByteArray seen = socket->peek(socket->bytesAvailable());
            const qsizetype headEnd = seen.indexOf("\r\n\r\n") + 4;
            const qsizetype field = seen.indexOf("\r\nContent-Length: ") + 18; // as Qt writes it
            const qsizetype length =
                field < 18 ? 0 : seen.mid(field, 12).split('\r')[0].toLongLong();
            if (headEnd < 4 || seen.size() < headEnd + length)
                return;
            requests.append(socket->readAll());
            const Send reply = script.isEmpty() ? Send() : script.takeFirst();
            if (reply.status == 0)
                return;
            const qint64 announced =
                reply.announcedLength < 0 ? reply.body.size() : reply.announcedLength;
            socket->write("HTTP/1.1 " + QByteArray::number(reply.status) +
                          " Scripted\r\nLocation: " + reply.location +
                          "\r\nContent-Length: " + QByteArray::number(announced) +
                          "\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n" + reply.body);
            if (reply.announcedLength < 0)
                socket->disconnectFromHost();
        });
    }
};

// What the window shows: the button's caption, then each line with its colour.
QStringList shown(SendWindow *w) {
    QStringList out{w->findChild<QPushButton *>(u"cmdSend"_qs)->text()};
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

} // namespace

Q_DECLARE_METATYPE(Send)

class TestSendWindow : public QObject {
    Q_OBJECT

private slots:
    void send_data() {
        QTest::addColumn<Send>("send");
        const Verdict failed = Verdict::Failed, waiting = Verdict::Sending;
        QTest::newRow("OK-space") << Send{};
        // Nothing to judge yet: the player may press again.
        QTest::newRow("200, empty body") << Send{waiting, 200, ""};
        // An error status fails whatever the body: an empty one must not leave the window
        // waiting, and "OK " under an error is no success.
        QTest::newRow("404, empty body") << Send{failed, 404, ""};
        QTest::newRow("500, OK-space") << Send{failed, 500};
        // Followed as a browser does; only the page it leads to is judged.
        QTest::newRow("redirect") << Send{
            .status = 307, .location = "/skore/hotovo.asp", .requests = 2};
        QTest::newRow("refused connection") << Send{.verdict = failed, .status = -1, .requests = 0};
        QTest::newRow("silent, stall limit")
            << Send{.verdict = failed, .status = 0, .stall = 200ms};
        QTest::newRow("silent, total limit")
            << Send{.verdict = failed, .status = 0, .total = 200ms};
        // The head promises far more and the connection stays open: only the size cap ends it.
        const QByteArray flood(SendWindow::kMaxReplyBytes + 1, 'x');
        QTest::newRow("reply over the cap") << Send{failed, 200, flood, {}, 64 << 20};
        // An earlier game's table may hold a long name and leading zeros, which the score
        // board refuses: they go out as a typed entry would, and the table keeps them.
        QTest::newRow("old table") << Send{.oldTable = true};
        // Closed while the request hangs: the game comes back as it was, the request is given up.
        for (const QString &close : {u"escape"_qs, u"paused"_qs})
            QTest::newRow(qPrintable(u"closed mid send: "_qs + close))
                << Send{.verdict = waiting, .status = 0, .close = close};
    }
    void send() {
        QFETCH(Send, send);
        // Tests talk to 127.0.0.1 only, never through a proxy of the machine.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        GameFixture::forgetStoredTable();
        LocalHttpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const QUrl post(u"http://127.0.0.1:%1/skore/pridejv.asp"_qs.arg(server.serverPort()));
        if (send.status < 0)
            server.close(); // the port it listened on refuses now
        server.script.push_back(send);
        // A running game whose stored table changed after it started (the window must read it
        // again), and the send window opened from its menu.
        GameFixture game(SendWindow::ScoreBoard{post, QUrl(kPage + u'/'), send.stall, send.total});
        game.start();
        GameFixture::storeTable(knownTable());
        QVERIFY(send.close != u"paused"_qs || game.trigger(u"Pauza"_qs));
        QVERIFY(game.trigger(u"Odeslat na web"_qs));
        REQUIRE_WINDOW(w, SendWindow);
        ScoreTable old;
        old.setEntry(0, {QString(40, u'x'), Score(120, 2)}); // stored as "00120"
        if (send.oldTable) // read at the press, not when the window opened
            GameFixture::storeTable(old);
        QCOMPARE(shown(w), look(Verdict::Sending));
        QVERIFY(server.requests.isEmpty()); // nothing goes out before the press
        QTest::mouseClick(w->findChild<QPushButton *>(u"cmdSend"_qs), Qt::LeftButton);
        if (send.close.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(w->findChildren<QNetworkReply *>().isEmpty(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(server.requests.size(), send.requests, kWait);
        QCOMPARE(shown(w), look(send.verdict));
        // The stored table, read again after the game started, as the form's bytes.
        const QByteArray body =
            send.oldTable ? "N1=" + QByteArray(29, 'x') + "&S1=120&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5="
                          : kPostedBody;
        for (qsizetype i = 0; i < server.requests.size(); ++i) {
            const QByteArray &request = server.requests[i];
            QVERIFY2(
                request.startsWith(i ? "POST /skore/hotovo.asp " : "POST /skore/pridejv.asp ") &&
                    request.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n") &&
                    request.endsWith("\r\n\r\n" + body),
                request.constData());
        }
        const QPointer<SendWindow> closing(w);
        if (send.close == u"escape"_qs)
            QTest::keyClick(w, Qt::Key_Escape);
        else if (!send.close.isEmpty())
            QVERIFY(w->close());
        else if (send.verdict != Verdict::Sending) // once an answer is shown, "OK" closes it
            QTest::mouseClick(w->findChild<QPushButton *>(u"cmdSend"_qs), Qt::LeftButton);
        if (!send.close.isEmpty() || send.verdict != Verdict::Sending) {
            QTRY_VERIFY_WITH_TIMEOUT(!closing, kWait);
            QVERIFY(game.window->isEnabled());
            QCOMPARE(game.game().state(),
                     send.close == u"paused"_qs ? Game::State::Paused : Game::State::Running);
        }
        // The window hung up rather than leave the connection open.
        QTRY_VERIFY_WITH_TIMEOUT(server.allClosed(), kWait);
        QCOMPARE(game.window->scoreTable(), send.oldTable ? old : knownTable());
    }
};

TOQUEL_TEST_MAIN(TestSendWindow)
#include "tst_sendwindow.moc"
