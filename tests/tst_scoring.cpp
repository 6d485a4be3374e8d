// The numbers of a game: the interval table, the level thresholds and the displays.
#include "TestMain.h"
#include "game/Scoring.h"

class TestScoring : public QObject {
    Q_OBJECT
private slots:
    void intervalsFollowTheLevelTable_data();
    void intervalsFollowTheLevelTable();
    void clocksStopAtLevels47And72();
    void eachLevelAddsTwoHundredPoints();
    void displayFormats_data();
    void displayFormats();
};

// Intervals at levels 0 to 10, worked out by hand as floor(previous x 0.9).
void TestScoring::intervalsFollowTheLevelTable_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    const int table[][3] = {{0, 750, 10000}, {1, 675, 9000}, {2, 607, 8100}, {3, 546, 7290},
                            {4, 491, 6561},  {5, 441, 5904}, {6, 396, 5313}, {7, 356, 4781},
                            {8, 320, 4302},  {9, 288, 3871}, {10, 259, 3483}};
    for (const auto &r : table)
        QTest::addRow("level %d", r[0]) << r[0] << r[1] << r[2];
}

void TestScoring::intervalsFollowTheLevelTable() {
    QFETCH(int, level);
    int row = Scoring::kRowInterval, column = Scoring::kColumnInterval;
    for (int l = 0; l < level; ++l) {
        row = Scoring::nextInterval(row);
        column = Scoring::nextInterval(column);
    }
    QTEST(row, "row");
    QTEST(column, "column");
}

void TestScoring::clocksStopAtLevels47And72() {
    int row = Scoring::kRowInterval, column = Scoring::kColumnInterval;
    int rowStops = -1, columnStops = -1;
    for (int level = 1; level <= 80; ++level) {
        row = Scoring::nextInterval(row);
        column = Scoring::nextInterval(column);
        if (row == 0 && rowStops < 0)
            rowStops = level;
        if (column == 0 && columnStops < 0)
            columnStops = level;
        if (level == 46)
            QCOMPARE(row, 1);
    }
    QCOMPARE(rowStops, 47);
    QCOMPARE(columnStops, 72);
}

void TestScoring::eachLevelAddsTwoHundredPoints() {
    qint16 threshold = Scoring::kFirstThreshold;
    for (int level = 1; level <= 150; ++level) {
        threshold = Scoring::nextThreshold(threshold, level);
        QCOMPARE(int(threshold), 200 * (level + 1));
    }
}

void TestScoring::displayFormats_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("score");
    QTest::addColumn<QString>("level");
    QTest::newRow("zero") << 0 << "00 000"
                          << "00";
    QTest::newRow("one") << 1 << "00 001"
                         << "01";
    QTest::newRow("twelve") << 12 << "00 012"
                            << "12";
    QTest::newRow("hundred") << 100 << "00 100"
                             << "100";
    QTest::newRow("1234") << 1234 << "01 234"
                          << "1234";
    QTest::newRow("largest") << 32767 << "32 767"
                             << "32767";
}

void TestScoring::displayFormats() {
    QFETCH(int, value);
    QTEST(Scoring::formatScore(value), "score");
    QTEST(Scoring::formatLevel(value), "level");
}

TOQUEL_TEST_MAIN(TestScoring)
#include "tst_scoring.moc"
