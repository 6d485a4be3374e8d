// Windows-1250 conversion at the edge of the score store.
#include "TestMain.h"
#include "scores/Cp1250.h"

#include <QObject>
#include <QStringDecoder>
#include <QStringEncoder>

class TestCp1250 : public QObject {
    Q_OBJECT

private slots:
    void everyByteDecodesToOneCharacterAndEncodesBack() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = cp1250::decode(all);
        QCOMPARE(text.size(), 256);
        bool ok = false;
        QCOMPARE(cp1250::encode(text, &ok), all);
        QVERIFY(ok);
        QVERIFY(cp1250::canEncode(text));
    }

    // The table the build wrote agrees with Qt's converter, which it was read
    // from: every byte, and every character a name box can hold.
    void sameAsQtsConverter() {
        QStringDecoder decoder("windows-1250", QStringConverter::Flag::Stateless);
        for (int b = 0; b < 256; ++b) {
            const QByteArray byte(1, static_cast<char>(b));
            QCOMPARE(cp1250::decode(byte), decoder.decode(byte));
        }
        for (int u = 0; u <= 0xFFFF; ++u) {
            const QChar c(static_cast<char16_t>(u));
            // A fresh encoder each time: an encoder's error stays once raised.
            QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
            const QByteArray byte = encoder.encode(QStringView(&c, 1));
            const bool byItsOwnByte =
                !encoder.hasError() && byte.size() == 1 && decoder.decode(byte) == QString(c);
            if (cp1250::canEncode(c) != byItsOwnByte)
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(u, 4, 16, QLatin1Char('0'))));
        }
    }

    void characters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("encodable");
        // Czech letters sit where the code page puts them, not at their
        // Latin-1 places.
        QTest::newRow("ascii") << QStringLiteral("Eva 120;") << QByteArray("Eva 120;") << true;
        QTest::newRow("czech") << QStringLiteral("Šťěpán Žluťoučký")
                               << QByteArray("\x8a\x9d\xec\x70\xe1\x6e\x20\x8e\x6c\x75\x9d\x6f"
                                             "\x75\xe8\x6b\xfd")
                               << true;
        QTest::newRow("euro") << QStringLiteral("€") << QByteArray("\x80") << true;
        QTest::newRow("control") << QString(QChar(0x01)) << QByteArray("\x01") << true;
        QTest::newRow("nul") << QString(QChar(0)) << QByteArray(1, '\0') << true;
        QTest::newRow("latin-1 only") << QStringLiteral("À") << QByteArray() << false;
        QTest::newRow("cjk in the middle") << QStringLiteral("a\u4E00b") << QByteArray() << false;
        QTest::newRow("surrogate pair") << QStringLiteral("\U0001F600") << QByteArray() << false;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray() << false;
    }
    void characters() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, encodable);
        bool ok = !encodable;
        QCOMPARE(cp1250::encode(text, &ok), bytes);
        QCOMPARE(ok, encodable);
        QCOMPARE(cp1250::canEncode(text), encodable);
        if (text.size() == 1)
            QCOMPARE(cp1250::canEncode(text[0]), encodable);
        if (encodable)
            QCOMPARE(cp1250::decode(bytes), text);
    }
};

TOQUEL_TEST_MAIN(TestCp1250)
#include "tst_cp1250.moc"
