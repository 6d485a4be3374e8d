// What the fuzz targets in fuzz/ turned up, one test per finding with the input
// bytes written out, so a fix stays fixed in the ordinary GCC suite too.
#include "TestMain.h"
#include "web/FormBody.h"
#include "web/ReplyJudge.h"

#include <QObject>

class TestFuzzFinds : public QObject {
    Q_OBJECT

private slots:
    // fuzz_formbody: U+FEFF (zero-width no-break space) has no Windows-1250
    // byte, so it travels as "&#65279;"; reading the reference back must not
    // take it for a byte order mark and drop it. A browser sends the same
    // reference for the character typed into the score board's form.
    void referenceToU_FEFF_decodesToTheCharacter_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("value");
        QTest::newRow("alone") << QByteArray("N1=%26%2365279%3B") << QStringLiteral("\uFEFF");
        QTest::newRow("between letters")
            << QByteArray("N1=a%26%2365279%3Bb") << QStringLiteral("a\uFEFFb");
        QTest::newRow("twice") << QByteArray("N1=%26%2365279%3B%26%2365279%3B")
                               << QStringLiteral("\uFEFF\uFEFF");
    }
    void referenceToU_FEFF_decodesToTheCharacter() {
        QFETCH(QByteArray, body);
        QFETCH(QString, value);
        const std::optional<FormBody::Fields> fields = FormBody::decode(body);
        QVERIFY(fields);
        QCOMPARE(fields->size(), 1);
        QCOMPARE(fields->at(0).first, QByteArray("N1"));
        QCOMPARE(fields->at(0).second, value);
    }

    // The same character in a built body: the shortest input the fuzzer
    // reduced it to was a score text of U+FEFF alone (field S4).
    void bodyWithU_FEFF_decodesToTheSameTenFields() {
        ScoreTable table;
        table.setEntry(3, ScoreEntry{QStringLiteral("Eva"), QStringLiteral("\uFEFF")});
        const QByteArray body = FormBody::build(table);
        QCOMPARE(body, QByteArray("N1=&S1=&N2=&S2=&N3=&S3=&N4=Eva&S4=%26%2365279%3B&N5=&S5="));
        const std::optional<FormBody::Fields> fields = FormBody::decode(body);
        QVERIFY(fields);
        QCOMPARE(fields->size(), 10);
        QCOMPARE(fields->at(7).second, QStringLiteral("\uFEFF"));
    }

    // fuzz_replyjudge: NULs between "OK" and the space still make a success.
    // Not a fault: the HTML parser drops a NUL in the body as a browser does,
    // so the body's content is "OK ". Kept so a change of parser or of the
    // decoding in front of it shows up here first.
    void nulsInsideOkAreDroppedAsByABrowser() {
        const QByteArray body("OK\0\0\0 ", 6);
        QCOMPARE(ReplyJudge::judge(body, "text/html"), ReplyJudge::Verdict::Succeeded);
        QCOMPARE(ReplyJudge::judge(QByteArray("OK\0X ", 5), "text/html"),
                 ReplyJudge::Verdict::Failed);
    }
};

TOQUEL_TEST_MAIN(TestFuzzFinds)
#include "tst_fuzzfinds.moc"
