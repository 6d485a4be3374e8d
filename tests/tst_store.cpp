// The score table, its stored form and the settings store that keeps it: the ranking, stored
// values worked out by hand, a store that fails, and two copies of the game writing at once.
#include "TestMain.h"
#include "rules/scores/Cp1250.h"
#include "rules/scores/ScoreBook.h"
#include "rules/scores/StoredTable.h"

#include <QDir>
#include <QProcess>

using Entries = QList<ScoreEntry>;
using Loaded = std::optional<Entries>; // none: the value is refused as damaged
using Load = ScoreBook::Load;
Q_DECLARE_METATYPE(Loaded)

static ScoreTable tableOf(const Entries &entries) {
    ScoreTable table;
    for (int i = 0; i < entries.size(); ++i)
        table.setEntry(i, entries[i]);
    return table;
}

// The stored value worked out from the rule, not by the code under test: byte i of the plain
// text (from 1) XOR (i + 67), then the check code as it is.
static QString storedFrom(const QByteArray &plain, int check) {
    QByteArray bytes;
    for (int i = 1; i <= plain.size(); ++i)
        bytes.append(char(uchar(plain[i - 1]) ^ (i + 67)));
    return cp1250::decode(bytes.append(char(check)));
}

class TestStore : public QObject {
    Q_OBJECT

    const QString m_file = ScoreStore::fileName(), m_folder = QFileInfo(m_file).absolutePath();

private slots:
    void init() {
        QDir(m_folder).removeRecursively();
        QFile::remove(m_folder);
    }

    // Each table saves as the value worked out by hand and loads back from it. The earlier
    // game's name box had no limit and it read scores as numbers: what it stored loads, and
    // saved again unchanged it is the same value, which it reads still.
    void storedValue_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<Loaded>("loaded");
        const auto loads = [](const char *name, const QByteArray &plain, int check, Entries e) {
            QTest::newRow(name) << storedFrom(plain, check) << Loaded(e);
        };
        const auto damaged = [](const char *name, const QString &stored) {
            QTest::newRow(name) << stored << Loaded();
        };
        // A score that would carry the sum out of 16 bits is passed over, not wrapped round.
        loads("overflow skipped", "A;B;C;;;30000;20000;5;;", 3 ^ 0,
              {{"A", 30000}, {"B", 20000}, {"C", 5}});
        // Czech letters at their Windows-1250 bytes, not at their Latin-1 places.
        loads("czech", "\x8a\x9d\xec\x70\xe1\x6e \x8e\x6c\x75\x9d\x6f\x75\xe8\x6b\xfd;;;;;5;;;;", 5,
              {{"Šťěpán Žluťoučký", 5}});
        loads("longest texts",
              (QByteArray(29, '\xff') + ';').repeated(5) + QByteArray("-32768;").repeated(4) +
                  "-32768",
              3, Entries(5, {QString(29, u'˙'), -32768}));
        // 179 + 9 separators: the longest value, 189 characters with the check.
        loads("earlier: name filling the value", QByteArray(179, 'x') + ";;;;;;;;;", 0,
              {{QString(179, u'x'), {}}});
        // The check character: the sum's first two digits XORed (205: 2 ^ 0), or a lone digit.
        loads("earlier: leading zeros", "Eva;Jan;;;;0120;0085;;;", 2,
              {{"Eva", Score(120, 1)}, {"Jan", Score(85, 2)}});
        loads("earlier: zeros up to the top", "Eva;;;;;0032767;;;;", 1, {{"Eva", Score(32767, 2)}});
        loads("earlier: zeros of a zero", "A;B;C;;;0;00;-000;;", 0,
              {{"A", 0}, {"B", Score(0, 1)}, {"C", Score(0, 2, true)}});
        damaged("empty value", {});
        damaged("longer than the game writes", storedFrom(QByteArray(180, 'x') + ";;;;;;;;;", 0));
        // "Ä" scrambles to byte 80, "€": U+0080 in its place is the first character without a byte.
        damaged("character without a byte",
                QChar(0x80) + storedFrom("\xc4;;;;;120;;;;", 3).sliced(1));
        damaged("eight separators", storedFrom("Eva;;;;;120;;;", 3));
        // A ";" typed into a name shifts every later field by one.
        damaged("name with a separator", storedFrom("Ev;a;;;;;120;;;;", 3));
        damaged("score not a number", storedFrom("Eva;;;;;abc;;;;", 0));
        // Qt's toInt() would take it, ignoring the white space.
        damaged("last score with line break", storedFrom("Eva;;;;;;;;;120\n", 3));
        // With the check character of the score wrapped round to -32768.
        damaged("score above 16 bits", storedFrom("Eva;;;;;32768;;;;", 3));
        damaged("check character changed", storedFrom("Eva;;;;;120;;;;", 4));
    }
    void storedValue() {
        QFETCH(QString, stored);
        QFETCH(Loaded, loaded);
        const auto table = loaded ? std::optional(tableOf(*loaded)) : std::nullopt;
        QCOMPARE(StoredTable::decode(stored), table);
        if (table)
            QCOMPARE(StoredTable::encode(*table), stored);
    }

    // Each of the 256 bytes is a character of its own and encodes back to itself, and every
    // character a stored value can hold goes through the settings file and back unchanged.
    void everyStoredCharacterSurvivesTheFile() {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes.append(char(b));
        const QString value = cp1250::decode(bytes);
        QCOMPARE(cp1250::encode(value), bytes);
        QVERIFY(ScoreStore().write(value));
        QCOMPARE(ScoreStore().read(), std::optional(value));
    }

    // A record beside long old names would push the value past what the game writes: the
    // longest old names give up characters, the typed one none (cut to 29 as it went in).
    void recordBesideLongOldNamesStillFits() {
        ScoreTable table =
            tableOf({{QString(90, u'a'), 300}, {QString(60, u'b'), 200}, {"Eva", Score(100, 1)}});
        table.insert(QString(30, u'n'), 250);
        const QByteArray names =
            QByteArray(74, 'a') + ';' + QByteArray(29, 'n') + ';' + QByteArray(60, 'b');
        QCOMPARE(StoredTable::encode(table), storedFrom(names + ";Eva;;300;250;200;0100;", 8 ^ 5));
    }

    // Where a result goes in, and whether it earns a place at all: a positive score that beats
    // the fifth place, or any positive score while the fifth place is free. A fifth place that
    // holds as much is never pushed out.
    void ranking_data() {
        QTest::addColumn<Entries>("before");
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("record");
        QTest::addColumn<Entries>("after");
        const auto row = [](const char *name, const Entries &before, int score, bool record,
                            const Entries &after) {
            QTest::newRow(name) << before << score << record << after;
        };
        const Entries four{{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}};
        const Entries full = four + Entries{{"E", 100}};
        row("tie goes below the older", {{"A", 200}, {"B", 100}}, 200, true,
            {{"A", 200}, {"N", 200}, {"B", 100}});
        row("new best drops the fifth", full, 501, true, Entries{{"N", 501}} + four);
        // Another copy's result of the same score came first: it stays.
        row("equal to the fifth", full, 100, false, full);
        row("fifth free", four, 1, true, four + Entries{{"N", 1}});
        row("zero", {}, 0, false, {{"N", 0}});
        // A free place in the middle (only a hand-set table has one) moves down one place.
        row("free place in the middle", {{"A", 100}, {}, {"B", 50}}, 70, true,
            {{"A", 100}, {"N", 70}, {}, {"B", 50}});
    }
    void ranking() {
        QFETCH(Entries, before);
        QFETCH(int, score);
        QFETCH(bool, record);
        QFETCH(Entries, after);
        ScoreTable table = tableOf(before);
        QCOMPARE(table.isRecord(qint16(score)), record);
        QCOMPARE(table.insert("N", qint16(score)), after != before);
        QCOMPARE(table, tableOf(after));
    }

    // Two copies of the game end with a result at once; the second starts while the first
    // holds the table, waits for it and reloads. Without the lock one record is lost; on a
    // table whose last free place the first copy fills, the second's equal score stays out.
    // Runs before the store faults, whose failed saves Qt keeps cached.
    void twoCopiesKeepEachOthersRecords_data() {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("free places")
            << QList<int>{} << 300 << 200 << QStringList{"Prvni", "Druhy", "", "", ""};
        QTest::newRow("last free place, equal scores")
            << QList<int>{900, 700, 500, 300} << 5 << 5
            << QStringList{"Stary", "Stary", "Stary", "Stary", "Prvni"};
    }
    void twoCopiesKeepEachOthersRecords() {
        QFETCH(QList<int>, before);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QStringList, after);
        ScoreBook book;
        for (int score : before)
            book.table().insert("Stary", qint16(score));
        QVERIFY(book.save());
        const QString writer = QCoreApplication::applicationDirPath() + "/record_writer";
        QProcess copies[2];
        copies[0].start(writer, {"Prvni", QString::number(first), "400"});
        QVERIFY(copies[0].waitForReadyRead(30000));
        copies[1].start(writer, {"Druhy", QString::number(second), "0"});
        for (QProcess &copy : copies) {
            QVERIFY(copy.waitForFinished(30000));
            QVERIFY(copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0);
        }
        QCOMPARE(book.load(), Load::Loaded);
        for (int i = 0; i < ScoreTable::kEntries; ++i)
            QCOMPARE(book.table().entry(i).name, after[i]);
    }

    // A record is kept on disk when the store takes it, in memory always, and saved once the
    // store is back. A file of the game's that holds no table is replaced; a folder at the
    // file or a file at its folder stops root as well, and no table can be read from them.
    void storeFaults_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Load>("firstLoad");
        const auto row = [](const char *name, const QString &path, const QByteArray &bytes,
                            Load load) { QTest::newRow(name) << path << bytes << load; };
        const QByteArray garbage = QByteArray("\0\xff[=\n\\\"\x8e", 8).repeated(512);
        row("damaged value", m_file, "[Skore]\nHiSkore=abc\n", Load::Damaged);
        row("garbage file", m_file, garbage, Load::Damaged);
        row("huge file", m_file, "[Skore]\nHiSkore=" + QByteArray(3 << 20, 'x') + "\n",
            Load::Damaged);
        row("read-only: a folder at the file", m_file + "/x", "x", Load::Unavailable);
        row("read-only: a file at the folder", m_folder, "x", Load::Damaged);
    }
    void storeFaults() {
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        QFETCH(Load, firstLoad);
        QFile file(path);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
                file.write(bytes) == bytes.size());
        file.close();
        const bool saves = path == m_file;
        ScoreBook book;
        QCOMPARE(book.load(), firstLoad);
        QCOMPARE(book.lastSaveFailed(), !saves); // the emptied table went in, or nothing did
        book.update(ScoreBook::entering("Jan", 85), false);
        const ScoreTable jan = book.table();
        QCOMPARE(book.lastSaveFailed(), !saves);
        QCOMPARE(book.load(), saves ? Load::Loaded : Load::Unavailable);
        QCOMPARE(book.table(), jan);
        init();
        QVERIFY(book.save());
        QCOMPARE(book.load(), Load::Loaded); // Jan once: what the store took is not made again
        QCOMPARE(book.table(), jan);
        QCOMPARE(ScoreStore().read(), std::optional(storedFrom("Jan;;;;;85;;;;", 8 ^ 5)));
    }
};

TOQUEL_TEST_MAIN(TestStore)
#include "tst_store.moc"
