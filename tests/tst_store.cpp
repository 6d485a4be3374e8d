// The score table, its stored form and the settings store that keeps it: the ranking, stored
// values worked out by hand, a store that fails, and two copies of the game writing at once.
#include "TestMain.h"
#include "scores/Cp1250.h"
#include "scores/ScoreBook.h"
#include "scores/StoredTable.h"

#include <QDir>
#include <QProcess>

using Entries = QList<ScoreEntry>;
using Load = ScoreBook::Load;

namespace {

ScoreTable tableOf(const Entries &entries) {
    ScoreTable table;
    for (int i = 0; i < entries.size(); ++i)
        table.setEntry(i, entries[i]);
    return table;
}

// The stored value worked out from the rule, not by the code under test: byte i of the plain
// text (from 1) XOR (i + 67), then the check code as it is.
QString storedFrom(const QByteArray &plain, int check) {
    QByteArray bytes;
    for (int i = 1; i <= plain.size(); ++i)
        bytes.append(char(uchar(plain[i - 1]) ^ (i + 67)));
    return cp1250::decode(bytes.append(char(check)));
}

} // namespace

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
        QTest::addColumn<bool>("loads");
        QTest::addColumn<Entries>("entries");
        const auto loads = [](const char *name, const QByteArray &plain, int check,
                              const Entries &e) {
            QTest::newRow(name) << storedFrom(plain, check) << true << e;
        };
        const auto damaged = [](const char *name, const QString &stored) {
            QTest::newRow(name) << stored << false << Entries();
        };
        loads("empty", ";;;;;;;;;", 0, {});
        loads("two results", "Eva;Jan;;;;120;85;;;", 2, {{"Eva", "120"}, {"Jan", "85"}});
        loads("sum of one digit", "A;B;;;;4;3;;;", 7, {{"A", "4"}, {"B", "3"}});
        loads("sum 99", "A;B;;;;90;9;;;", 0, {{"A", "90"}, {"B", "9"}});
        loads("minus counts 0", "A;;;;;-5;;;;", 5, {{"A", "-5"}});
        loads("sum -12", "A;;;;;-12;;;;", 1, {{"A", "-12"}});
        // A score that would carry the sum out of 16 bits is passed over, not wrapped round.
        loads("overflow skipped", "A;B;C;;;30000;20000;5;;", 3 ^ 0,
              {{"A", "30000"}, {"B", "20000"}, {"C", "5"}});
        loads("top of the range", "A;B;;;;32767;1;;;", 3 ^ 2, {{"A", "32767"}, {"B", "1"}});
        loads("negative overflow skipped", "A;B;;;;-20000;-20000;;;", 2,
              {{"A", "-20000"}, {"B", "-20000"}});
        // Czech letters at their Windows-1250 bytes, not at their Latin-1 places.
        loads("czech", "\x8a\x9d\xec\x70\xe1\x6e \x8e\x6c\x75\x9d\x6f\x75\xe8\x6b\xfd;;;;;5;;;;", 5,
              {{"Šťěpán Žluťoučký", "5"}});
        loads("longest texts",
              (QByteArray(29, '\xff') + ';').repeated(5) + QByteArray("-32768;").repeated(4) +
                  "-32768",
              3, Entries(5, {QString(29, u'˙'), "-32768"}));
        loads("earlier: name of 30", QByteArray(30, 'x') + ";;;;;5;;;;", 5,
              {{QString(30, u'x'), "5"}});
        // 179 + 9 separators: the longest value, 189 characters with the check.
        loads("earlier: name filling the value", QByteArray(179, 'x') + ";;;;;;;;;", 0,
              {{QString(179, u'x'), ""}});
        loads("earlier: leading zeros", "Eva;Jan;;;;0120;0085;;;", 2,
              {{"Eva", "0120"}, {"Jan", "0085"}});
        loads("earlier: negative, leading zero", "Eva;;;;;-012;;;;", 1, {{"Eva", "-012"}});
        loads("earlier: zeros up to the top", "Eva;;;;;0032767;;;;", 1, {{"Eva", "0032767"}});
        damaged("empty value", {});
        damaged("longer than the game writes", storedFrom(QByteArray(180, 'x') + ";;;;;;;;;", 0));
        damaged("character without a byte",
                QStringLiteral("中") + storedFrom("Eva;;;;;120;;;;", 3));
        damaged("eight separators", storedFrom("Eva;;;;;120;;;", 3));
        damaged("tenth separator", storedFrom("Eva;;;;;120;;;;;", 3));
        // A ";" typed into a name shifts every later field by one.
        damaged("name with a separator", storedFrom("Ev;a;;;;;120;;;;", 3));
        damaged("score not a number", storedFrom("Eva;;;;;abc;;;;", 0));
        damaged("score with plus", storedFrom("Eva;;;;;+120;;;;", 0));
        damaged("last score with line break", storedFrom("Eva;;;;;;;;;120\n", 3));
        damaged("score above 16 bits", storedFrom("Eva;;;;;32768;;;;", 0));
        damaged("zeros before a score above 16 bits", storedFrom("Eva;;;;;032768;;;;", 0));
        damaged("check character changed", storedFrom("Eva;;;;;120;;;;", 4));
        damaged("check character beyond 15", storedFrom("Eva;;;;;120;;;;", 0x33));
    }
    void storedValue() {
        QFETCH(QString, stored);
        QFETCH(bool, loads);
        QFETCH(Entries, entries);
        QCOMPARE(StoredTable::decode(stored),
                 loads ? std::optional(tableOf(entries)) : std::nullopt);
        if (loads)
            QCOMPARE(StoredTable::encode(tableOf(entries)), stored);
    }

    // Every byte but ";" at every place a name can take, a first name one shorter moving the
    // others onto the separators' places, through the settings file and back. Checked against
    // the value worked out here, so a changed scramble key cannot pass as a round trip.
    void everyNameByteAtEveryPlaceSurvivesTheStore() {
        for (int shift = 0; shift < 2; ++shift) {
            for (int r = 0; r < 256; ++r) {
                ScoreTable table;
                int place = 0;
                for (int i = 0; i < ScoreTable::kEntries; ++i) {
                    QByteArray name;
                    for (int k = i == 0 ? shift : 0; k < ScoreTable::kMaxNameLength; ++k) {
                        const char byte = char((r + ++place) & 0xFF);
                        name.append(byte == ';' ? 'x' : byte);
                    }
                    ++place;
                    table.setEntry(i, {cp1250::decode(name), QString::number(-32768 + r * i)});
                }
                const QString stored = StoredTable::encode(table);
                QCOMPARE(stored,
                         storedFrom(StoredTable::plainText(table), StoredTable::checkCode(table)));
                QVERIFY(ScoreStore().write(stored));
                QCOMPARE(ScoreStore().read(), std::optional(stored));
                QCOMPARE(StoredTable::decode(stored), std::optional(table));
            }
        }
    }

    // A record beside long old names would push the value past what the game writes: the
    // longest old names give up characters, the typed one none.
    void recordBesideLongOldNamesStillFits() {
        ScoreTable table = tableOf({{QString(90, u'a'), "300"}, {QString(60, u'b'), "200"}});
        table.setEntry(2, {"Eva", "0100"});
        table.insert(QString(29, u'n'), 250);
        QCOMPARE(StoredTable::decode(StoredTable::encode(table)),
                 std::optional(tableOf({{QString(74, u'a'), "300"},
                                        {QString(29, u'n'), "250"},
                                        {QString(60, u'b'), "200"},
                                        {"Eva", "0100"}})));
    }

    void insertion_data() {
        QTest::addColumn<Entries>("before");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("score");
        QTest::addColumn<Entries>("after");
        const auto row = [](const char *name, const Entries &before, const QString &newName,
                            int score, const Entries &after) {
            QTest::newRow(name) << before << newName << score << after;
        };
        const Entries full{{"A", "500"}, {"B", "400"}, {"C", "300"}, {"D", "200"}, {"E", "100"}};
        row("by value, not by text", {{"A", "85"}, {"C", "9"}}, "B", 10,
            {{"A", "85"}, {"B", "10"}, {"C", "9"}});
        row("tie goes below the older", {{"A", "200"}, {"B", "100"}}, "N", 200,
            {{"A", "200"}, {"N", "200"}, {"B", "100"}});
        row("new best drops the fifth", full, "N", 501, Entries{{"N", "501"}} + full.first(4));
        row("low result overwrites the fifth", full, "N", 1, full.first(4) + Entries{{"N", "1"}});
        row("negative above negative", {{"A", "-300"}}, "N", -20, {{"N", "-20"}, {"A", "-300"}});
        // A free place in the middle (only a hand-set table has one) moves down one place.
        row("free place in the middle", {{"A", "100"}, {}, {"B", "50"}}, "N", 70,
            {{"A", "100"}, {"N", "70"}, {}, {"B", "50"}});
        row("30 characters cut to 29", {}, QString(30, u'z'), 9, {{QString(29, u'z'), "9"}});
    }
    void insertion() {
        QFETCH(Entries, before);
        QFETCH(QString, name);
        QFETCH(int, score);
        QFETCH(Entries, after);
        ScoreTable table = tableOf(before);
        table.insert(name, qint16(score));
        QCOMPARE(table, tableOf(after));
    }

    void storableName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("storable");
        const auto row = [](const QString &name, bool storable) {
            QTest::newRow(qPrintable(name)) << name << storable;
        };
        row("Jiří Šťastný €", true);
        row(QString(29, u'ž'), true);
        row(QString(30, u'a'), false);
        row("Eva;Jan", false);
        row("Eva\tJan", false);
        row("Zoè", false);
        row(QStringLiteral("Eva \U0001F600"), false);
        row(QString(QChar(0xD800)), false);
    }
    void storableName() {
        QFETCH(QString, name);
        QFETCH(bool, storable);
        QCOMPARE(ScoreTable::isStorableName(name), storable);
    }

    void recordRule_data() {
        QTest::addColumn<Entries>("table");
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("record");
        const Entries full{{"A", "900"}, {"B", "800"}, {"C", "700"}, {"D", "600"}, {"E", "350"}};
        QTest::newRow("empty table, one") << Entries() << 1 << true;
        QTest::newRow("empty table, zero") << Entries() << 0 << false;
        QTest::newRow("fifth free, one") << full.first(4) << 1 << true;
        QTest::newRow("equal to the fifth") << full << 350 << false;
        QTest::newRow("one above the fifth") << full << 351 << true;
    }
    void recordRule() {
        QFETCH(Entries, table);
        QFETCH(int, score);
        QFETCH(bool, record);
        QCOMPARE(tableOf(table).isRecord(qint16(score)), record);
    }

    // A missing or damaged store is emptied and stored so; a record of the run is kept on
    // disk when the store takes it and in memory always, and saved once the store is back.
    // A folder in place of the file or of its folder stops every user, root included.
    void storeFaults_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("saves");
        const auto row = [](const char *name, const QString &path, const QByteArray &bytes,
                            bool saves) { QTest::newRow(name) << path << bytes << saves; };
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage += char((i * 7919) % 256);
        row("nothing stored yet", {}, {}, true);
        row("damaged value", m_file, "[Skore]\nHiSkore=abc\n", true);
        row("garbage file", m_file, garbage, true);
        row("huge file", m_file, "[Skore]\nHiSkore=" + QByteArray(3 << 20, 'x') + "\n", true);
        row("read-only: a folder at the file", m_file + "/x", "x", false);
        row("read-only: a file at the folder", m_folder, "x", false);
    }
    void storeFaults() {
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, saves);
        QFile file(path);
        QVERIFY(path.isEmpty() ||
                (QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
                 file.write(bytes) == bytes.size()));
        file.close();
        ScoreBook book;
        QCOMPARE(book.load(), Load::Damaged);
        QCOMPARE(book.table(), ScoreTable());
        book.table().insert("Jan", 85);
        QCOMPARE(book.save(), saves);
        QCOMPARE(book.load(), saves ? Load::Loaded : Load::Unavailable);
        QCOMPARE(book.table(), tableOf({{"Jan", "85"}}));
        init();
        QVERIFY(book.save());
        ScoreBook next;
        QCOMPARE(next.load(), Load::Loaded);
        QCOMPARE(next.table(), book.table());
    }

    // Two copies of the game enter a record at once, each holding the table a while: without
    // the lock the later save would drop the other's record.
    void twoCopiesKeepBothRecords() {
        ScoreBook book;
        book.table().insert("Eva", 120);
        QVERIFY(book.save());
        const QString writer = QCoreApplication::applicationDirPath() + "/record_writer";
        QProcess first, second;
        first.start(writer, {"Prvni", "300", "400"});
        second.start(writer, {"Druhy", "200", "400"});
        for (QProcess *copy : {&first, &second}) {
            QVERIFY(copy->waitForFinished(30000));
            QVERIFY(copy->exitStatus() == QProcess::NormalExit && copy->exitCode() == 0);
        }
        ScoreBook next;
        QCOMPARE(next.load(), Load::Loaded);
        QCOMPARE(next.table(), tableOf({{"Prvni", "300"}, {"Druhy", "200"}, {"Eva", "120"}}));
    }
};

TOQUEL_TEST_MAIN(TestStore)
#include "tst_store.moc"
