// Reading the score board's reply the way a browser reads the page.
#include "TestMain.h"
#include "web/ReplyJudge.h"

#include <QObject>
#include <QStringEncoder>

using Verdict = ReplyJudge::Verdict;
Q_DECLARE_METATYPE(ReplyJudge::Verdict)

namespace {
QByteArray encoded(const char *codec, const QString &text) {
    QStringEncoder encoder(codec);
    return encoder.encode(text);
}
} // namespace

class TestReplyJudge : public QObject {
    Q_OBJECT

private slots:
    void verdicts_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<Verdict>("verdict");
        const QByteArray html = "text/html";

        QTest::newRow("bare OK-space") << QByteArray("OK ") << html << Verdict::Succeeded;
        QTest::newRow("OK-space in a page")
            << QByteArray("<html><body>OK </body></html>") << html << Verdict::Succeeded;
        QTest::newRow("OK-space with head and doctype")
            << QByteArray("<!DOCTYPE html><html><head><title>x</title></head><body>OK </body>"
                          "</html>")
            << html << Verdict::Succeeded;
        QTest::newRow("no content type") << QByteArray("OK ") << QByteArray() << Verdict::Succeeded;
        // A character reference is plain text to the parser.
        QTest::newRow("K as a reference") << QByteArray("O&#75; ") << html << Verdict::Succeeded;
        // Blanks before any markup are dropped by the parser, so the body holds "OK ".
        QTest::newRow("bare blank before OK") << QByteArray(" OK ") << html << Verdict::Succeeded;

        QTest::newRow("no space") << QByteArray("OK") << html << Verdict::Failed;
        QTest::newRow("lower case") << QByteArray("ok ") << html << Verdict::Failed;
        QTest::newRow("two spaces") << QByteArray("OK  ") << html << Verdict::Failed;
        QTest::newRow("blank before OK in the body")
            << QByteArray("<body> OK </body>") << html << Verdict::Failed;
        QTest::newRow("no-break space") << QByteArray("OK&nbsp;") << html << Verdict::Failed;
        QTest::newRow("bold") << QByteArray("<b>OK </b>") << html << Verdict::Failed;
        QTest::newRow("line break after") << QByteArray("OK <br>") << html << Verdict::Failed;
        QTest::newRow("comment after") << QByteArray("OK <!-- x -->") << html << Verdict::Failed;
        QTest::newRow("only a comment")
            << QByteArray("<html><body><!-- x --></body></html>") << html << Verdict::Failed;
        // Text after </html> goes into the body, in a browser as here: the
        // newline a server adds at the end of the page spoils the answer.
        QTest::newRow("newline after the page")
            << QByteArray("<html><body>OK </body></html>\n") << html << Verdict::Failed;
        QTest::newRow("error page")
            << QByteArray("<html><head><title>500 Internal Server Error</title></head><body>"
                          "<h1>Internal Server Error</h1><p>The server could not complete your "
                          "request.</p></body></html>")
            << html << Verdict::Failed;
        QTest::newRow("frameset page")
            << QByteArray("<frameset><frame src=a></frameset>") << html << Verdict::Failed;

        QTest::newRow("empty") << QByteArray() << html << Verdict::Sending;
        QTest::newRow("page with an empty body")
            << QByteArray("<html><head><title>x</title></head><body></body></html>") << html
            << Verdict::Sending;
        QTest::newRow("blanks only, before any markup")
            << QByteArray(" \r\n\t") << html << Verdict::Sending;

        const QString okPage = QStringLiteral("<html><body>OK </body></html>");
        QTest::newRow("utf-16le by content type")
            << encoded("UTF-16LE", okPage) << QByteArray("text/html; charset=UTF-16LE")
            << Verdict::Succeeded;
        QTest::newRow("utf-16be by byte order mark")
            << QByteArray("\xFE\xFF") + encoded("UTF-16BE", okPage) << QByteArray()
            << Verdict::Succeeded;
        // Read as UTF-8 these would be "OK " with NULs the parser drops.
        QTest::newRow("utf-16be by content type")
            << QByteArray("O\0K\0 \0", 6) << QByteArray("text/html; charset=utf-16be")
            << Verdict::Failed;
        QTest::newRow("same bytes without a charset")
            << QByteArray("O\0K\0 \0", 6) << QByteArray("text/html") << Verdict::Succeeded;
        QTest::newRow("windows-1250 error page")
            << encoded("windows-1250", QStringLiteral("Chyba: skóre nebylo uloženo"))
            << QByteArray("text/html; charset=windows-1250") << Verdict::Failed;
        QTest::newRow("windows-1250 OK-space")
            << QByteArray("OK ") << QByteArray("text/html; charset=windows-1250")
            << Verdict::Succeeded;
    }
    void verdicts() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(Verdict, verdict);
        QCOMPARE(ReplyJudge::judge(body, contentType), verdict);
    }

    void decoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("text");
        const QString czech = QStringLiteral("Žluťoučký kůň");
        // Ž 8E, ť 9D, č E8, ý FD, ů F9, ň F2 in Windows-1250.
        const QByteArray cp1250 = "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2";

        QTest::newRow("windows-1250 by header")
            << cp1250 << QByteArray("text/html; charset=windows-1250") << czech;
        QTest::newRow("quoted, upper-case parameter")
            << cp1250 << QByteArray("text/html;CHARSET=\"WINDOWS-1250\"") << czech;
        QTest::newRow("utf-8 by header")
            << czech.toUtf8() << QByteArray("text/html; charset=utf-8") << czech;
        QTest::newRow("utf-16le by header")
            << encoded("UTF-16LE", czech) << QByteArray("text/html; charset=utf-16le") << czech;
        QTest::newRow("utf-16be by byte order mark")
            << QByteArray("\xFE\xFF") + encoded("UTF-16BE", czech) << QByteArray() << czech;
        QTest::newRow("utf-8 mark outranks the header")
            << QByteArray("\xEF\xBB\xBF") + czech.toUtf8()
            << QByteArray("text/html; charset=windows-1250") << czech;
        QTest::newRow("meta charset")
            << QByteArray("<meta charset=\"windows-1250\">") + cp1250 << QByteArray("text/html")
            << QStringLiteral("<meta charset=\"windows-1250\">") + czech;
        QTest::newRow("meta http-equiv")
            << QByteArray("<META HTTP-EQUIV=Content-Type CONTENT='text/html; "
                          "charset=windows-1250'>") +
                   cp1250
            << QByteArray()
            << QStringLiteral("<META HTTP-EQUIV=Content-Type CONTENT='text/html; "
                              "charset=windows-1250'>") +
                   czech;
        QTest::newRow("unknown header charset falls back to meta")
            << QByteArray("<meta charset=windows-1250>") + cp1250
            << QByteArray("text/html; charset=x-no-such-thing")
            << QStringLiteral("<meta charset=windows-1250>") + czech;
        QTest::newRow("header outranks meta")
            << QByteArray("<meta charset=windows-1250>") + czech.toUtf8()
            << QByteArray("text/html; charset=utf-8")
            << QStringLiteral("<meta charset=windows-1250>") + czech;
        QTest::newRow("utf-8 when nothing says otherwise")
            << czech.toUtf8() << QByteArray("text/html") << czech;
        QTest::newRow("bad utf-8 is replaced") << QByteArray("a\xFF"
                                                             "b")
                                               << QByteArray() << QStringLiteral("a\uFFFDb");
    }
    void decoding() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, text);
        QCOMPARE(ReplyJudge::decodeReply(body, contentType), text);
    }

    void aLargeGarbageReplyFailsWithoutTrouble() {
        QByteArray garbage(1024 * 1024, '\0');
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919) % 251);
        QCOMPARE(ReplyJudge::judge(garbage), Verdict::Failed);
        QCOMPARE(ReplyJudge::judge(QByteArray(100000, '<')), Verdict::Failed);
    }
};

TOQUEL_TEST_MAIN(TestReplyJudge)
#include "tst_replyjudge.moc"
