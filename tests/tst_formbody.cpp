// The form body the game posts to the score board, byte for byte.
#include "TestMain.h"
#include "web/FormBody.h"

#include <QObject>

namespace {

ScoreTable tableOf(const QList<ScoreEntry> &entries) {
    ScoreTable table;
    for (int i = 0; i < entries.size(); ++i)
        table.setEntry(i, entries[i]);
    return table;
}

} // namespace

class TestFormBody : public QObject {
    Q_OBJECT

private slots:
    void emptyTableSendsTenEmptyFields() {
        QCOMPARE(FormBody::build(ScoreTable()),
                 QByteArray("N1=&S1=&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5="));
    }

    void placesGoInTableOrderAndFreePlacesStayEmpty() {
        const ScoreTable table = tableOf({{QStringLiteral("Eva"), QStringLiteral("31000")},
                                            {QStringLiteral("Jan Novák"), QStringLiteral("1200")},
                                            {QStringLiteral("Ola"), QStringLiteral("5")}});
        QCOMPARE(FormBody::build(table),
                 QByteArray("N1=Eva&S1=31000&N2=Jan+Nov%E1k&S2=1200&N3=Ola&S3=5"
                            "&N4=&S4=&N5=&S5="));
    }

    void values_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("encoded");
        // The Czech bytes are read off the Windows-1250 table: Ž 8E, ť 9D,
        // č E8, ý FD, ů F9, ň F2 (and á E1, € 80, no-break space A0).
        QTest::newRow("czech") << QStringLiteral("Žluťoučký kůň")
                               << QByteArray("%8Elu%9Dou%E8k%FD+k%F9%F2");
        QTest::newRow("score digits") << QStringLiteral("32767") << QByteArray("32767");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("bytes that stay") << QStringLiteral("aZ09*-._") << QByteArray("aZ09*-._");
        QTest::newRow("markup and form syntax")
            << QStringLiteral(R"(a "b"&<c>+=; d)") << QByteArray("a+%22b%22%26%3Cc%3E%2B%3D%3B+d");
        QTest::newRow("other ascii punctuation")
            << QStringLiteral("~!'()/?#%") << QByteArray("%7E%21%27%28%29%2F%3F%23%25");
        QTest::newRow("control characters") << QStringLiteral("\t\n") << QByteArray("%09%0A");
        QTest::newRow("euro has a byte") << QStringLiteral("€") << QByteArray("%80");
        QTest::newRow("no-break space") << QStringLiteral("\u00A0") << QByteArray("%A0");
        // A character the code page lacks goes out as the browser writes it: "&#N;".
        QTest::newRow("arrow outside the code page")
            << QStringLiteral("→") << QByteArray("%26%238594%3B");
        QTest::newRow("emoji counts as one code point")
            << QStringLiteral("\U0001F600") << QByteArray("%26%23128512%3B");
        QTest::newRow("latin-1 letter outside the code page")
            << QStringLiteral("xÀy") << QByteArray("x%26%23192%3By");
        QTest::newRow("lone surrogate becomes the replacement character")
            << QString(QChar(0xD800)) << QByteArray("%26%2365533%3B");
    }
    void values() {
        QFETCH(QString, value);
        QFETCH(QByteArray, encoded);
        QCOMPARE(FormBody::encodeValue(value), encoded);
    }

    void everyPlaceCarriesItsNameAndScore() {
        const ScoreTable table = tableOf({{QStringLiteral("a"), QStringLiteral("5")},
                                            {QStringLiteral("b"), QStringLiteral("4")},
                                            {QStringLiteral("c"), QStringLiteral("3")},
                                            {QStringLiteral("d"), QStringLiteral("2")},
                                            {QStringLiteral("e"), QStringLiteral("1")}});
        QCOMPARE(FormBody::build(table), QByteArray("N1=a&S1=5&N2=b&S2=4&N3=c&S3=3&N4=d&S4=2"
                                                    "&N5=e&S5=1"));
    }

    void decodingGivesBackTheTenFields_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("scores");
        QTest::newRow("czech and markup")
            << QStringList{QStringLiteral("Žluťoučký kůň"), QStringLiteral(R"(a "b"&<c>+=; d)"),
                           QStringLiteral("€ 100%"), QString(), QString()}
            << QStringList{QStringLiteral("900"), QStringLiteral("80"), QStringLiteral("7"),
                           QString(), QString()};
        QTest::newRow("outside the code page")
            << QStringList{QStringLiteral("→"), QStringLiteral("\U0001F600x"),
                           QStringLiteral("a+b"), QStringLiteral("  "), QStringLiteral("Šárka")}
            << QStringList{QStringLiteral("5"), QStringLiteral("4"), QStringLiteral("3"),
                           QStringLiteral("2"), QStringLiteral("1")};
        // U+FEFF has no byte and goes as a reference; read back it is a
        // character like any other, not a byte order mark to drop.
        QTest::newRow("zero-width no-break space")
            << QStringList{QStringLiteral("\uFEFF"), QStringLiteral("a\uFEFF"), QString(),
                           QString(), QString()}
            << QStringList{QStringLiteral("\uFEFF"), QStringLiteral("1"), QString(), QString(),
                           QString()};
        QTest::newRow("empty table") << QStringList(5) << QStringList(5);
    }
    void decodingGivesBackTheTenFields() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, scores);
        ScoreTable table;
        for (int i = 0; i < 5; ++i)
            table.setEntry(i, {names[i], scores[i]});

        const auto fields = FormBody::decode(FormBody::build(table));
        QVERIFY(fields.has_value());
        QCOMPARE(fields->size(), 10);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(fields->at(2 * i).first, QByteArray(FormBody::kFieldNames[2 * i]));
            QCOMPARE(fields->at(2 * i).second, names[i]);
            QCOMPARE(fields->at(2 * i + 1).first, QByteArray(FormBody::kFieldNames[2 * i + 1]));
            QCOMPARE(fields->at(2 * i + 1).second, scores[i]);
        }
    }

    void decodingReadsWhatBrowsersWrite() {
        // Lower-case hex and raw bytes are what other clients may send.
        const auto fields = FormBody::decode("N1=%8elu+x&S1=12&x=%26%2365%3B%26%23xyz%3B");
        QVERIFY(fields.has_value());
        QCOMPARE(fields->size(), 3);
        QCOMPARE(fields->at(0).second, QStringLiteral("Žlu x"));
        QCOMPARE(fields->at(1).second, QStringLiteral("12"));
        // A well-formed reference is a character; anything else stays text.
        QCOMPARE(fields->at(2).second, QStringLiteral("A&#xyz;"));
    }

    void decodingRejectsWhatTheGameNeverWrites_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("pair without equals") << QByteArray("N1=a&S1");
        QTest::newRow("trailing ampersand") << QByteArray("N1=a&");
        QTest::newRow("truncated escape") << QByteArray("N1=%4");
        QTest::newRow("escape at the end") << QByteArray("N1=%");
        QTest::newRow("non-hex escape") << QByteArray("N1=%G1");
        QTest::newRow("escape in the name") << QByteArray("N%Z=a");
    }
    void decodingRejectsWhatTheGameNeverWrites() {
        QFETCH(QByteArray, body);
        QVERIFY(!FormBody::decode(body).has_value());
    }

    void emptyBodyDecodesToNoFields() {
        const auto fields = FormBody::decode("");
        QVERIFY(fields.has_value());
        QVERIFY(fields->isEmpty());
    }
};

TOQUEL_TEST_MAIN(TestFormBody)
#include "tst_formbody.moc"
