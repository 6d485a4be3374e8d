// The stored form of the score table, and loading and saving it through the settings store.
#include "TestMain.h"
#include "scores/Cp1250.h"
#include "scores/ScoreBook.h"
#include "scores/ScoreStore.h"
#include "scores/StoredTable.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QScopeGuard>
#include <QSettings>
#include <algorithm>

namespace {

using Entries = QList<ScoreEntry>;
using Load = ScoreBook::Load;

ScoreTable tableOf(const Entries &entries) {
    ScoreTable table;
    for (int i = 0; i < entries.size(); ++i)
        table.setEntry(i, entries[i]);
    return table;
}

// The stored value worked out here from the rule itself: byte i of the plain
// text (from 1) XOR (i + 67), then the check code as it is.
QString storedFrom(const QByteArray &plain, int check) {
    QByteArray bytes;
    for (int i = 1; i <= plain.size(); ++i)
        bytes.append(static_cast<char>(static_cast<unsigned char>(plain[i - 1]) ^ (i + 67)));
    bytes.append(static_cast<char>(check));
    return cp1250::decode(bytes);
}

QString character(int code) {
    return cp1250::decode(QByteArray(1, static_cast<char>(code)));
}

QSettings settings() {
    return QSettings(QStringLiteral("Toquel"), QStringLiteral("Toquel"));
}

} // namespace

namespace QTest {
template <> char *toString(const ScoreEntry &e) {
    return QTest::toString(QStringLiteral("(%1, %2)").arg(e.name, e.score));
}
template <> char *toString(const ScoreTable &t) {
    QStringList places;
    for (int i = 0; i < ScoreTable::kEntries; ++i)
        places << QStringLiteral("(%1, %2)").arg(t.entry(i).name, t.entry(i).score);
    return QTest::toString(places.join(QLatin1Char(' ')));
}
} // namespace QTest

class TestStoredTable : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QSettings s = settings();
        s.clear();
        s.sync();
    }

    void emptyTableIsNineScrambledSeparatorsAndCheckZero() {
        const QString stored = StoredTable::encode(ScoreTable());
        QCOMPARE(stored.size(), 10);
        for (int i = 1; i <= 9; ++i)
            QCOMPARE(stored[i - 1], character(';' ^ (i + 67)).at(0));
        QCOMPARE(stored[9].unicode(), 0);
    }

    void storedForm_data() {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<int>("check");

        QTest::newRow("empty") << Entries{} << QByteArray(";;;;;;;;;") << 0;
        QTest::newRow("one result")
            << Entries{{"Eva", "120"}} << QByteArray("Eva;;;;;120;;;;") << 3;
        QTest::newRow("two results")
            << Entries{{"Eva", "120"}, {"Jan", "85"}} << QByteArray("Eva;Jan;;;;120;85;;;") << 2;
        QTest::newRow("sum of one digit")
            << Entries{{"A", "4"}, {"B", "3"}} << QByteArray("A;B;;;;4;3;;;") << 7;
        QTest::newRow("sum 99") << Entries{{"A", "90"}, {"B", "9"}} << QByteArray("A;B;;;;90;9;;;")
                                << 0;
        QTest::newRow("negative sum, minus counts 0")
            << Entries{{"A", "-5"}} << QByteArray("A;;;;;-5;;;;") << 5;
        QTest::newRow("sum -12") << Entries{{"A", "-12"}} << QByteArray("A;;;;;-12;;;;") << 1;
        // A sum that would leave 16 bits passes that score over instead of
        // wrapping round: 30000 + 20000 would wrap to -15536.
        QTest::newRow("overflow skipped") << Entries{{"A", "30000"}, {"B", "20000"}, {"C", "5"}}
                                          << QByteArray("A;B;C;;;30000;20000;5;;") << (3 ^ 0);
        QTest::newRow("top of the range")
            << Entries{{"A", "32767"}, {"B", "1"}} << QByteArray("A;B;;;;32767;1;;;") << (3 ^ 2);
        QTest::newRow("negative overflow skipped") << Entries{{"A", "-20000"}, {"B", "-20000"}}
                                                   << QByteArray("A;B;;;;-20000;-20000;;;") << 2;
        QTest::newRow("czech name in its code page")
            << Entries{{QStringLiteral("Šárka Ťuková"), "5"}}
            << QByteArray("\x8a\xe1rka \x8dukov\xe1;;;;;5;;;;") << 5;
        QTest::newRow("full table of longest texts")
            << Entries(5, {QString(29, u'x'), "-32768"})
            << (QByteArray(29, 'x') + ';' + QByteArray(29, 'x') + ';' + QByteArray(29, 'x') + ';' +
                QByteArray(29, 'x') + ';' + QByteArray(29, 'x') +
                ";-32768;-32768;-32768;-32768;-32768")
            << 3;
    }
    void storedForm() {
        QFETCH(Entries, entries);
        QFETCH(QByteArray, plain);
        QFETCH(int, check);
        const ScoreTable table = tableOf(entries);
        QCOMPARE(StoredTable::plainText(table), plain);
        QCOMPARE(StoredTable::checkCode(table), check);
        const QString stored = StoredTable::encode(table);
        QCOMPARE(stored.size(), plain.size() + 1);
        QCOMPARE(stored, storedFrom(plain, check));
        QCOMPARE(StoredTable::decode(stored), std::optional(table));
    }

    void characterWithoutCodeIsStoredAsQuestionMark() {
        const ScoreTable table = tableOf({{QStringLiteral("Zoè 中"), "10"}});
        const std::optional<ScoreTable> back = StoredTable::decode(StoredTable::encode(table));
        QVERIFY(back);
        QCOMPARE(back->entry(0), (ScoreEntry{QStringLiteral("Zo? ?"), "10"}));
    }

    void damaged_data() {
        QTest::addColumn<QString>("stored");
        const QString eva = StoredTable::encode(tableOf({{"Eva", "120"}}));
        QTest::newRow("empty value") << QString();
        QTest::newRow("check character only") << character(0);
        QTest::newRow("longer than the game writes")
            << storedFrom(QByteArray(180, 'x') + ";;;;;;;;;", 0);
        QTest::newRow("character without a code") << QStringLiteral("中") + eva;
        QTest::newRow("no separators") << storedFrom("Eva120", 0);
        QTest::newRow("eight separators") << storedFrom("Eva;;;;;120;;;", 3);
        QTest::newRow("score not a number") << storedFrom("Eva;;;;;abc;;;;", 0);
        QTest::newRow("score minus alone") << storedFrom("Eva;;;;;-;;;;", 0);
        QTest::newRow("score with plus") << storedFrom("Eva;;;;;+120;;;;", 0);
        QTest::newRow("score with space") << storedFrom("Eva;;;;;120 ;;;;", 0);
        QTest::newRow("score with line break") << storedFrom("Eva;;;;;120\n;;;;", 3);
        QTest::newRow("last score with line break") << storedFrom("Eva;;;;;;;;;120\n", 3);
        QTest::newRow("score above 16 bits") << storedFrom("Eva;;;;;32768;;;;", 0);
        QTest::newRow("score below 16 bits") << storedFrom("Eva;;;;;-32769;;;;", 0);
        QTest::newRow("zeros before a score above 16 bits") << storedFrom("Eva;;;;;032768;;;;", 0);
        QTest::newRow("tenth separator") << storedFrom("Eva;;;;;120;;;;;", 3);
        // A ";" typed into a name shifts every later field by one.
        QTest::newRow("name with a separator") << StoredTable::encode(tableOf({{"Ev;a", "120"}}));
        QTest::newRow("check character changed") << eva.chopped(1) + character(4);
        QTest::newRow("check character beyond 15") << eva.chopped(1) + character(0x33);
        QTest::newRow("score digit changed") << storedFrom("Eva;;;;;130;;;;", 3);
    }
    void damaged() {
        QFETCH(QString, stored);
        QCOMPARE(StoredTable::decode(stored), std::nullopt);
    }

    // The earlier game's name box had no limit and it read scores as numbers:
    // what it could store loads as it is.
    void valuesOfTheEarlierGameLoad_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<Entries>("entries");
        QTest::newRow("name of 30 characters") << storedFrom(QByteArray(30, 'x') + ";;;;;5;;;;", 5)
                                               << Entries{{QString(30, u'x'), "5"}};
        // 179 + 9 separators: the longest value, 189 characters with the check.
        QTest::newRow("name filling the whole value")
            << storedFrom(QByteArray(179, 'x') + ";;;;;;;;;", 0)
            << Entries{{QString(179, u'x'), ""}};
        QTest::newRow("score with leading zeros") << storedFrom("Eva;Jan;;;;0120;0085;;;", 2)
                                                  << Entries{{"Eva", "0120"}, {"Jan", "0085"}};
        QTest::newRow("negative score with leading zero")
            << storedFrom("Eva;;;;;-012;;;;", 1) << Entries{{"Eva", "-012"}};
        QTest::newRow("zeros up to the top of the range")
            << storedFrom("Eva;;;;;0032767;;;;", 1) << Entries{{"Eva", "0032767"}};
    }
    void valuesOfTheEarlierGameLoad() {
        QFETCH(QString, stored);
        QFETCH(Entries, entries);
        QCOMPARE(StoredTable::decode(stored), std::optional(tableOf(entries)));
        // Saved again unchanged, the value is the same: the earlier game reads it still.
        QCOMPARE(StoredTable::encode(tableOf(entries)), stored);
    }

    // A record beside long old names would push the value past what the game
    // writes: the longest old names give up characters, typed ones none.
    void recordBesideLongOldNamesStillFits() {
        TabulkaSkore table =
            tableOf({{QString(90, u'a'), "300"}, {QString(60, u'b'), "200"}, {"Eva", "0100"}});
        table.VlozSkore(QString(29, u'n'), 250);
        const QString stored = StoredTable::encode(table);
        QCOMPARE(stored.size(), StoredTable::kMaxStoredLength);
        const std::optional<TabulkaSkore> back = StoredTable::decode(stored);
        QVERIFY(back);
        QCOMPARE(back->entry(0).name, QString(74, u'a'));
        QCOMPARE(back->entry(1), (ScoreEntry{QString(29, u'n'), "250"}));
        QCOMPARE(back->entry(2).name, QString(60, u'b'));
        QCOMPARE(back->entry(3), (ScoreEntry{"Eva", "0100"}));
    }

    void longestValidValueLoads() {
        // Byte 0xFF is the dot above, the last character of the code page.
        const Entries longest(5, {character(0xFF).repeated(29), "-32768"});
        const QString stored = StoredTable::encode(tableOf(longest));
        QCOMPARE(stored.size(), 185);
        QCOMPARE(StoredTable::decode(stored), std::optional(tableOf(longest)));
    }

    // Every byte but ";" at every place a name can take, through the real
    // settings file and back.
    void everyNameByteAtEveryPositionSurvivesTheStore() {
        ScoreStore store;
        for (int shift = 0; shift < 2; ++shift) {
            for (int r = 0; r < 256; ++r) {
                ScoreTable table;
                int position = 0;
                for (int i = 0; i < ScoreTable::kEntries; ++i) {
                    // Shortening the first name moves the later ones onto the
                    // places the separators take otherwise.
                    const int length = ScoreTable::kMaxNameLength - (i == 0 ? shift : 0);
                    QByteArray name;
                    for (int k = 0; k < length; ++k) {
                        const char byte = static_cast<char>((r + ++position) & 0xFF);
                        name.append(byte == ';' ? 'x' : byte);
                    }
                    ++position;
                    table.setEntry(i, {cp1250::decode(name), QString::number(-32768 + r * i)});
                }
                const QString stored = StoredTable::encode(table);
                QVERIFY(store.write(stored));
                const QString read = store.read().value();
                QCOMPARE(read, stored);
                QCOMPARE(StoredTable::decode(read), std::optional(table));
            }
        }
    }

    void storeKeepsEveryCodeAtEveryPosition() {
        ScoreStore store;
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        QByteArray reversed = all;
        std::reverse(reversed.begin(), reversed.end());
        QList<QString> values{cp1250::decode(all), cp1250::decode(reversed)};
        for (int r = 0; r < 256; ++r) {
            QByteArray rotated;
            for (int i = 0; i < StoredTable::kMaxStoredLength; ++i)
                rotated.append(static_cast<char>((r + i) & 0xFF));
            values.append(cp1250::decode(rotated));
        }
        for (const QString &value : values) {
            QVERIFY(store.write(value));
            QCOMPARE(store.read().value(), value);
        }
    }

    void valueNeverWrittenReadsEmpty() { QCOMPARE(ScoreStore().read().value(), QString()); }

    void valueOfAnotherKindLoadsAsDamaged_data() {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("number") << QVariant(42);
        QTest::newRow("list") << QVariant(QStringList{"a", "b"});
        QTest::newRow("bytes") << QVariant(QByteArray("\x01\x02;"));
        QTest::newRow("map") << QVariant(QVariantMap{{"a", 1}});
    }
    void valueOfAnotherKindLoadsAsDamaged() {
        QFETCH(QVariant, value);
        {
            QSettings s = settings();
            s.setValue("Skore/HiSkore", value);
        }
        ScoreBook book;
        QCOMPARE(book.load(), Load::Damaged);
        QCOMPARE(ScoreStore().read().value(), StoredTable::encode(ScoreTable()));
    }

    void bookStartsEmpty() { QCOMPARE(ScoreBook().table(), ScoreTable()); }

    void missingValueIsDamagedAndReplacedByEmptyTable() {
        ScoreBook book;
        book.table().insert("Eva", 120);
        QCOMPARE(book.load(), Load::Damaged);
        QCOMPARE(book.table(), ScoreTable());
        const QString stored = ScoreStore().read().value();
        QCOMPARE(stored.size(), 10);
        QCOMPARE(stored.back().unicode(), 0);
        QCOMPARE(ScoreBook().load(), Load::Loaded);
    }

    void savedTableLoadsInTheNextRun_data() {
        QTest::addColumn<QList<int>>("scores");
        QTest::newRow("one") << QList<int>{120};
        QTest::newRow("mixed signs") << QList<int>{300, -7, 0, 12, -32768};
        QTest::newRow("sum past the top") << QList<int>{32767, 32767, 32767, 32767, 32767};
        QTest::newRow("sum past the bottom") << QList<int>{-32768, -32768, -1, -20000, -5};
        QTest::newRow("sum past the top midway") << QList<int>{30000, 20000, 15000, -30000, 2};
    }
    void savedTableLoadsInTheNextRun() {
        QFETCH(QList<int>, scores);
        ScoreBook book;
        for (int i = 0; i < scores.size(); ++i)
            book.table().insert(QStringLiteral("Hráč %1").arg(i),
                                   static_cast<qint16>(scores[i]));
        QVERIFY(book.save());
        QVERIFY(!book.lastSaveFailed());
        ScoreBook next;
        QCOMPARE(next.load(), Load::Loaded);
        QCOMPARE(next.table(), book.table());
    }

    void tamperedValue_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<char>("plainByte");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<ScoreEntry>("first");
        // The stored table is "Eva;;;;;120;;;;" and check 3.
        QTest::newRow("name character") << 1 << 'A' << true << ScoreEntry{"Ava", "120"};
        QTest::newRow("name character turned separator") << 2 << ';' << false << ScoreEntry{};
        QTest::newRow("score digit") << 9 << '9' << false << ScoreEntry{};
        // The check only sees the first two digits of the sum.
        QTest::newRow("last score digit") << 11 << '9' << true << ScoreEntry{"Eva", "129"};
    }
    void tamperedValue() {
        QFETCH(int, position);
        QFETCH(char, plainByte);
        QFETCH(bool, loads);
        QFETCH(ScoreEntry, first);
        ScoreBook book;
        book.table().insert("Eva", 120);
        QVERIFY(book.save());
        QString stored = ScoreStore().read().value();
        stored[position - 1] = character(plainByte ^ (position + 67)).at(0);
        QVERIFY(ScoreStore().write(stored));

        ScoreBook next;
        QCOMPARE(next.load(), loads ? Load::Loaded : Load::Damaged);
        QCOMPARE(next.table().entry(0), first);
    }

    void changedCheckCharacterIsReportedOnce() {
        ScoreBook book;
        book.table().insert("Eva", 120);
        book.table().insert("Jan", 85);
        QVERIFY(book.save());
        const QString stored = ScoreStore().read().value();
        QCOMPARE(stored.back().unicode(), 2);
        QVERIFY(ScoreStore().write(stored.chopped(1) + character(3)));

        QCOMPARE(book.load(), Load::Damaged);
        QCOMPARE(book.table(), ScoreTable());
        QCOMPARE(book.load(), Load::Loaded);
        QCOMPARE(book.table(), ScoreTable());
    }

    // Root writes through a read-only file, so the settings file is made a
    // folder instead, which stops every user.
    void failedWriteIsReportedAndTableKept() {
        ScoreBook book;
        book.table().insert("Eva", 120);
        QVERIFY(book.save());
        const QString file = settings().fileName();
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkdir(file));
        auto restore = qScopeGuard([&] { QDir().rmdir(file); });

        QVERIFY(!ScoreStore().write(QStringLiteral("x")));
        const ScoreTable before = book.table();
        book.table().insert("Jan", 85);
        const ScoreTable expected = book.table();
        QVERIFY(before != expected);
        QVERIFY(!book.save());
        QVERIFY(book.lastSaveFailed());
        QCOMPARE(book.table(), expected);

        QVERIFY(QDir().rmdir(file));
        restore.dismiss();
        QVERIFY(book.save());
        QVERIFY(!book.lastSaveFailed());
        ScoreBook next;
        QCOMPARE(next.load(), Load::Loaded);
        QCOMPARE(next.table(), expected);
    }
};

TOQUEL_TEST_MAIN(TestStoredTable)
#include "tst_storedtable.moc"
