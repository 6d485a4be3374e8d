// The score board's side of the game: each form value byte for byte as posted, and the reply
// judged as a browser reads it. Rows named "fuzz:" are what the fuzz targets in fuzz/ found.
#include "TestMain.h"
#include "rules/web/FormBody.h"
#include "rules/web/ReplyJudge.h"

using Verdict = ReplyJudge::Verdict;
Q_DECLARE_METATYPE(ReplyJudge::Verdict)

class TestWeb : public QObject {
    Q_OBJECT

private slots:
    // One value as posted, and read back out of a body. The Czech bytes are read off the
    // Windows-1250 table: Ž 8E, ť 9D, č E8, ý FD, ů F9, ň F2, á E1, € 80, no-break space A0.
    void values_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("posted");
        QTest::addColumn<QString>("readBack");
        const auto row = [](const char *name, const QString &value, const QByteArray &posted,
                            const QString &readBack = {}) {
            QTest::newRow(name) << value << posted << (readBack.isNull() ? value : readBack);
        };
        row("czech", "Žluťoučký kůň", "%8Elu%9Dou%E8k%FD+k%F9%F2");
        row("euro and no-break space", "€\u00A0", "%80%A0");
        row("markup and form syntax", R"(a "b"&<c>+=; d)", "a+%22b%22%26%3Cc%3E%2B%3D%3B+d");
        row("other ascii", "aZ09*-._~!'()/?#%\t\n", "aZ09*-._%7E%21%27%28%29%2F%3F%23%25%09%0A");
        // A character the code page lacks goes out as the browser writes it: "&#N;".
        row("the highest code point", QString::fromUcs4(U"\U0010FFFF"), "%26%231114111%3B");
        row("latin-1 letter outside the code page", "xÀy", "x%26%23192%3By");
        row("lone surrogate", QString(QChar(0xD800)), "%26%2365533%3B", "\uFFFD");
        // U+FEFF read back is a character like any other, not a byte order mark to drop.
        row("fuzz: U+FEFF alone", QString(QChar(0xFEFF)), "%26%2365279%3B");
    }
    void values() {
        QFETCH(QString, value);
        QFETCH(QByteArray, posted);
        QFETCH(QString, readBack);
        QCOMPARE(FormBody::encodeValue(value), posted);
        QCOMPARE(FormBody::decode("N1=" + posted),
                 std::optional(FormBody::Fields{{"N1", readBack}}));
    }

    // Exactly "OK " in the body as a browser parses it; an error status fails whatever it says.
    void verdicts_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<int>("status");
        QTest::addColumn<Verdict>("verdict");
        const auto row = [](const char *name, const QByteArray &body, Verdict verdict,
                            int status = 0, const QByteArray &type = "text/html") {
            QTest::newRow(name) << body << type << status << verdict;
        };
        const Verdict ok = Verdict::Succeeded, failed = Verdict::Failed;
        row("bare OK-space", "OK ", ok);
        row("OK-space in a page", "<!DOCTYPE html><html><head></head><body>OK </body></html>", ok);
        row("no space", "OK", failed);
        row("no-break space", "OK&nbsp;", failed);
        row("comment after", "OK <!-- x -->", failed);
        // Text after </html> goes into the body: the newline a server adds spoils the answer.
        row("newline after the page", "<html><body>OK </body></html>\n", failed);
        row("frameset page", "<frameset><frame src=a></frameset>", failed);
        row("empty", "", Verdict::Sending);
        row("status 400", "OK ", failed, 400);
        // Read as UTF-8 this would be "OK " with NULs the parser drops.
        row("utf-16be by content type", QByteArray("O\0K\0 \0", 6), failed, 0,
            "text/html; charset=utf-16be");
        row("ascii read as utf-16le", "OK ", failed, 0, "text/html; charset=\"UTF-16LE\"");
        row("byte order mark outranks the header", QByteArray("\xFE\xFF\0O\0K\0 ", 8), ok, 0,
            "text/html; charset=utf-16le");
        row("fuzz: NULs inside OK", QByteArray("OK\0\0\0 ", 6), ok);
        row("fuzz: NUL and a letter inside OK", QByteArray("OK\0X ", 5), failed);
        row("100000 brackets", QByteArray(100000, '<'), failed);
    }
    void verdicts() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(int, status);
        QFETCH(Verdict, verdict);
        QCOMPARE(ReplyJudge::judge(body, contentType, status), verdict);
    }
};

TOQUEL_TEST_MAIN(TestWeb)
#include "tst_web.moc"
