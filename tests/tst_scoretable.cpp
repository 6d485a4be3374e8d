// Ranking results in the score table and the record rule.
#include "TestMain.h"
#include "scores/ScoreTable.h"

#include <QObject>

namespace {

using Entries = QList<ScoreEntry>;

// A table from up to five (name, score) places, the rest free.
ScoreTable tableOf(const Entries &entries) {
    ScoreTable table;
    for (int i = 0; i < entries.size(); ++i)
        table.setEntry(i, entries[i]);
    return table;
}

Entries entriesOf(const ScoreTable &table) {
    Entries entries;
    for (int i = 0; i < ScoreTable::kEntries; ++i)
        entries.append(table.entry(i));
    return entries;
}

const ScoreEntry kFree{};

} // namespace

namespace QTest {
template <> char *toString(const ScoreEntry &e) {
    return QTest::toString(QStringLiteral("(%1, %2)").arg(e.name, e.score));
}
} // namespace QTest

class TestScoreTable : public QObject {
    Q_OBJECT

private slots:
    void newTableHasFiveFreePlaces() {
        const ScoreTable table;
        QCOMPARE(entriesOf(table), Entries(5, kFree));
        QCOMPARE(table.bestScoreText(), QString());
    }

    void clearingFreesEveryPlace() {
        ScoreTable table = tableOf({{"Eva", "120"}, {"Jan", "85"}, {"Ola", "3"}});
        table.clear();
        QCOMPARE(table, ScoreTable());
    }

    void insertion_data() {
        QTest::addColumn<Entries>("before");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("score");
        QTest::addColumn<Entries>("after");

        QTest::newRow("into empty table") << Entries{} << QStringLiteral("Eva") << 120
                                          << Entries{{"Eva", "120"}, kFree, kFree, kFree, kFree};
        QTest::newRow("between two results")
            << Entries{{"A", "300"}, {"C", "100"}} << QStringLiteral("B") << 200
            << Entries{{"A", "300"}, {"B", "200"}, {"C", "100"}, kFree, kFree};
        QTest::newRow("ranked by value, not by text")
            << Entries{{"A", "85"}, {"B", "9"}} << QStringLiteral("N") << 120
            << Entries{{"N", "120"}, {"A", "85"}, {"B", "9"}, kFree, kFree};
        QTest::newRow("ten above nine") << Entries{{"A", "9"}} << QStringLiteral("N") << 10
                                        << Entries{{"N", "10"}, {"A", "9"}, kFree, kFree, kFree};
        QTest::newRow("tie goes below the older result")
            << Entries{{"A", "200"}, {"B", "100"}} << QStringLiteral("N") << 200
            << Entries{{"A", "200"}, {"N", "200"}, {"B", "100"}, kFree, kFree};
        QTest::newRow("tie with every place")
            << Entries{{"A", "50"}, {"B", "50"}, {"C", "50"}, {"D", "50"}} << QStringLiteral("N")
            << 50 << Entries{{"A", "50"}, {"B", "50"}, {"C", "50"}, {"D", "50"}, {"N", "50"}};
        QTest::newRow("full table drops its fifth")
            << Entries{{"A", "500"}, {"B", "400"}, {"C", "300"}, {"D", "200"}, {"E", "100"}}
            << QStringLiteral("N") << 350
            << Entries{{"A", "500"}, {"B", "400"}, {"N", "350"}, {"C", "300"}, {"D", "200"}};
        QTest::newRow("new best in a full table")
            << Entries{{"A", "500"}, {"B", "400"}, {"C", "300"}, {"D", "200"}, {"E", "100"}}
            << QStringLiteral("N") << 501
            << Entries{{"N", "501"}, {"A", "500"}, {"B", "400"}, {"C", "300"}, {"D", "200"}};
        QTest::newRow("low result overwrites the fifth")
            << Entries{{"A", "500"}, {"B", "400"}, {"C", "300"}, {"D", "200"}, {"E", "100"}}
            << QStringLiteral("N") << 1
            << Entries{{"A", "500"}, {"B", "400"}, {"C", "300"}, {"D", "200"}, {"N", "1"}};
        QTest::newRow("negative below zero")
            << Entries{{"A", "0"}} << QStringLiteral("N") << -5
            << Entries{{"A", "0"}, {"N", "-5"}, kFree, kFree, kFree};
        QTest::newRow("negative above a lower negative")
            << Entries{{"A", "-300"}} << QStringLiteral("N") << -20
            << Entries{{"N", "-20"}, {"A", "-300"}, kFree, kFree, kFree};
        QTest::newRow("extremes of the range")
            << Entries{{"A", "-32768"}} << QStringLiteral("N") << 32767
            << Entries{{"N", "32767"}, {"A", "-32768"}, kFree, kFree, kFree};
        // A free place in the middle (only a hand-set table has one) is
        // passed through like a lower score, and moves down one place.
        QTest::newRow("free place in the middle")
            << Entries{{"A", "100"}, kFree, {"B", "50"}} << QStringLiteral("N") << 70
            << Entries{{"A", "100"}, {"N", "70"}, kFree, {"B", "50"}, kFree};
    }
    void insertion() {
        QFETCH(Entries, before);
        QFETCH(QString, name);
        QFETCH(int, score);
        QFETCH(Entries, after);
        ScoreTable table = tableOf(before);
        table.insert(name, static_cast<qint16>(score));
        QCOMPARE(entriesOf(table), after);
    }

    void longNameIsCut_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("kept");
        QTest::newRow("28") << 28 << 28;
        QTest::newRow("29") << 29 << 29;
        QTest::newRow("30") << 30 << 29;
        QTest::newRow("80") << 80 << 29;
    }
    void longNameIsCut() {
        QFETCH(int, length);
        QFETCH(int, kept);
        QString name;
        for (int i = 0; i < length; ++i)
            name += QChar(u'a' + i % 26);
        ScoreTable table;
        table.insert(name, 10);
        QCOMPARE(table.entry(0).name, name.left(kept));
    }

    void storableName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("storable");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("czech") << QStringLiteral("Jiří Šťastný") << true;
        QTest::newRow("euro sign") << QStringLiteral("€uro") << true;
        QTest::newRow("29 characters") << QString(29, u'ž') << true;
        QTest::newRow("30 characters") << QString(30, u'a') << false;
        QTest::newRow("separator") << QStringLiteral("Eva;Jan") << false;
        QTest::newRow("pasted tab") << QStringLiteral("Eva\tJan") << false;
        QTest::newRow("spaces only") << QStringLiteral("   ") << true;
        QTest::newRow("no code") << QStringLiteral("Zoè") << false;
        QTest::newRow("outside the basic plane") << QStringLiteral("Eva \U0001F600") << false;
    }
    void storableName() {
        QFETCH(QString, name);
        QFETCH(bool, storable);
        QCOMPARE(ScoreTable::isStorableName(name), storable);
    }

    void bestScoreTextIsTheFirstPlaceUnchanged() {
        ScoreTable table = tableOf({{"A", "-7"}, {"B", "x"}});
        QCOMPARE(table.bestScoreText(), QStringLiteral("-7"));
        table.insert("N", 1200);
        QCOMPARE(table.bestScoreText(), QStringLiteral("1200"));
    }

    void recordRule_data() {
        QTest::addColumn<Entries>("table");
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("record");
        const Entries full{{"A", "900"}, {"B", "800"}, {"C", "700"}, {"D", "600"}, {"E", "350"}};
        const Entries four{{"A", "900"}, {"B", "800"}, {"C", "700"}, {"D", "600"}};
        const Entries lastNegative{{"A", "9"}, {"B", "8"}, {"C", "7"}, {"D", "6"}, {"E", "-40"}};
        QTest::newRow("empty table, zero") << Entries{} << 0 << false;
        QTest::newRow("empty table, one") << Entries{} << 1 << true;
        QTest::newRow("empty table, negative") << Entries{} << -1 << false;
        QTest::newRow("fifth free, low score") << four << 1 << true;
        QTest::newRow("fifth free, zero") << four << 0 << false;
        QTest::newRow("equal to the fifth") << full << 350 << false;
        QTest::newRow("one above the fifth") << full << 351 << true;
        QTest::newRow("below the fifth") << full << 349 << false;
        QTest::newRow("fifth negative, zero") << lastNegative << 0 << false;
        QTest::newRow("fifth negative, one") << lastNegative << 1 << true;
        QTest::newRow("highest score") << full << 32767 << true;
    }
    void recordRule() {
        QFETCH(Entries, table);
        QFETCH(int, score);
        QFETCH(bool, record);
        QCOMPARE(tableOf(table).isRecord(static_cast<qint16>(score)), record);
    }
};

TOQUEL_TEST_MAIN(TestScoreTable)
#include "tst_scoretable.moc"
