// The field's rules on constructed fields: the row shift, the sink and sending a block.
#include "TestMain.h"
#include "game/Field.h"

namespace {
// A column holding `blocks` blocks of its own colour, stacked from the bottom.
Field withStack(int column, int blocks) {
    Field field;
    for (int row = Field::kBottomRow; row > Field::kBottomRow - blocks; --row)
        field.setCell(column, row, Square(column));
    return field;
}

int blocksIn(const Field &field, int column) {
    int n = 0;
    for (int row = 0; row < Field::kRows; ++row)
        n += field.cell(column, row) != Colour::Empty;
    return n;
}
} // namespace

class TestField : public QObject {
    Q_OBJECT
private slots:
    void newGameHasFiveStartingBlocksPerColumn();
    void clearEmptiesEverySquare();
    void shiftMovesEverySquareOneLeftAndFeedsTheRightEnd();
    void shiftCopiesLeftToRightOneByOne();
    void shiftStoppedMidwayLeavesTheRestUntouched();
    void aBlockReachesTheLaunchSquaresOnTime();
    void sinkDropsTheBottomBlock();
    void tenBlocksBecomeNine();
    void lastBlockGoesWithoutEnding();
    void send_data();
    void send();
    void refusedSendsChangeNothing_data();
    void refusedSendsChangeNothing();
    void onlyLaunchSquaresHaveColumns();
};

void TestField::newGameHasFiveStartingBlocksPerColumn() {
    Field field;
    field.placeStartingBlocks();
    for (int column = 0; column < Field::kColumns; ++column)
        for (int row = 0; row < Field::kRows; ++row)
            QCOMPARE(field.cell(column, row), row >= 8 ? Square(column) : Colour::Empty);
}

void TestField::clearEmptiesEverySquare() {
    Field field;
    for (int i = 0; i < Field::kTopSquares; ++i)
        field.setTop(i, Colour::Red);
    for (int column = 0; column < Field::kColumns; ++column)
        for (int row = 0; row < Field::kRows; ++row)
            field.setCell(column, row, Colour::Green);
    field.clear();
    field.placeStartingBlocks();
    Field fresh;
    fresh.placeStartingBlocks();
    for (int i = 0; i < Field::kTopSquares; ++i)
        QCOMPARE(field.top(i), Colour::Empty);
    for (int column = 0; column < Field::kColumns; ++column)
        for (int row = 0; row < Field::kRows; ++row)
            QCOMPARE(field.cell(column, row), fresh.cell(column, row));
}

void TestField::shiftMovesEverySquareOneLeftAndFeedsTheRightEnd() {
    Field field;
    for (int i = 0; i < Field::kTopSquares; ++i)
        field.setTop(i, Square(i % 6));
    QVERIFY(field.shiftRow([](int) { return true; }, [] { return Colour::Orange; }));
    for (int i = 0; i < Field::kTopSquares - 1; ++i)
        QCOMPARE(field.top(i), Square((i + 1) % 6));
    QCOMPARE(field.top(22), Colour::Orange);
}

// Whoever runs between two copies sees the row half shifted: the squares to
// the left already moved, the rest not yet.
void TestField::shiftCopiesLeftToRightOneByOne() {
    Field field;
    field.setTop(22, Colour::Blue);
    field.setTop(10, Colour::Red);
    QList<int> seen;
    field.shiftRow(
        [&](int i) {
            seen << i;
            if (i == 9) {
                // Square 9 has taken square 10's red; square 10 still holds it.
                [&] {
                    QCOMPARE(field.top(9), Colour::Red);
                    QCOMPARE(field.top(10), Colour::Red);
                }();
            }
            return true;
        },
        [] { return Colour::White; });
    QCOMPARE(seen.size(), 22);
    QCOMPARE(seen.first(), 0);
    QCOMPARE(seen.last(), 21);
    QCOMPARE(field.top(21), Colour::Blue);
    QCOMPARE(field.top(22), Colour::White);
}

void TestField::shiftStoppedMidwayLeavesTheRestUntouched() {
    Field field;
    field.setTop(22, Colour::Blue);
    bool drew = false;
    QVERIFY(!field.shiftRow([](int i) { return i < 5; },
                            [&] {
                                drew = true;
                                return Colour::Red;
                            }));
    QVERIFY(!drew);
    QCOMPARE(field.top(22), Colour::Blue);
}

void TestField::aBlockReachesTheLaunchSquaresOnTime() {
    Field field;
    auto tick = [&field](Square c) { field.shiftRow([](int) { return true; }, [c] { return c; }); };
    tick(Colour::Green); // the first block enters at HIm(22)
    for (int t = 0; t < 7; ++t)
        tick(Colour::Empty);
    QCOMPARE(field.top(15), Colour::Green);
    for (int t = 0; t < 8; ++t)
        tick(Colour::Empty);
    QCOMPARE(field.top(7), Colour::Green);
    for (int t = 0; t < 7; ++t)
        tick(Colour::Empty);
    QCOMPARE(field.top(0), Colour::Green);
    tick(Colour::Empty);
    for (int i = 0; i < Field::kTopSquares; ++i)
        QCOMPARE(field.top(i), Colour::Empty);
}

void TestField::sinkDropsTheBottomBlock() {
    Field field;
    field.placeStartingBlocks();
    field.setCell(2, 7, Colour::Red);  // a wrong block lying on the orange stack
    field.setCell(0, 1, Colour::Blue); // the entry zone is left alone
    field.sink();
    for (int column = 0; column < Field::kColumns; ++column)
        QCOMPARE(blocksIn(field, column), column == 0 ? 5 : column == 2 ? 5 : 4);
    QCOMPARE(field.cell(2, 8), Colour::Red);
    QCOMPARE(field.cell(2, 7), Colour::Empty);
    QCOMPARE(field.cell(0, 1), Colour::Blue);
    QVERIFY(!field.anyColumnEmpty());
}

void TestField::tenBlocksBecomeNine() {
    Field field = withStack(3, 10);
    field.sink();
    QCOMPARE(field.cell(3, 3), Colour::Empty);
    for (int row = 4; row <= 12; ++row)
        QCOMPARE(field.cell(3, row), Colour::Red);
}

void TestField::lastBlockGoesWithoutEnding() {
    Field field;
    field.placeStartingBlocks();
    for (int row = 8; row < 12; ++row)
        field.setCell(1, row, Colour::Empty); // green has one block left
    QVERIFY(!field.anyColumnEmpty());
    field.sink();
    QCOMPARE(field.cell(1, 12), Colour::Empty);
    QVERIFY(field.anyColumnEmpty()); // the next column-clock tick ends the game
}

void TestField::send_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("stack");
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("right");
    QTest::newRow("first block of a game") << 1 << 5 << 1 << 7 << true;
    QTest::newRow("onto nine blocks") << 4 << 9 << 4 << 3 << true;
    QTest::newRow("into an empty column") << 0 << 0 << 0 << 12 << true;
    QTest::newRow("wrong colour") << 2 << 5 << 3 << 7 << false;
}

void TestField::send() {
    QFETCH(int, column);
    QFETCH(int, stack);
    QFETCH(int, colour);
    Field field = withStack(column, stack);
    const int launch = Field::kLaunchSquares[column];
    field.setTop(launch, Square(colour));
    const Field::Send sent = field.send(column);
    QCOMPARE(sent.outcome, Field::Send::Landed);
    QTEST(sent.restingRow, "row");
    QTEST(sent.rightColour, "right");
    QCOMPARE(field.top(launch), Colour::Empty);
    QCOMPARE(field.cell(column, sent.restingRow), Square(colour));
    QCOMPARE(blocksIn(field, column), stack + 1);
}

void TestField::refusedSendsChangeNothing_data() {
    QTest::addColumn<int>("stack");
    QTest::addColumn<int>("onLaunch");
    QTest::addColumn<int>("outcome");
    QTest::newRow("empty launch square")
        << 5 << int(Colour::Empty) << int(Field::Send::NothingToSend);
    QTest::newRow("row 3 taken") << 10 << int(Colour::White) << int(Field::Send::ColumnFull);
}

void TestField::refusedSendsChangeNothing() {
    QFETCH(int, stack);
    QFETCH(int, onLaunch);
    Field field = withStack(4, stack);
    field.setTop(15, Square(onLaunch));
    const Field::Send sent = field.send(4);
    QTEST(int(sent.outcome), "outcome");
    QCOMPARE(field.top(15), Square(onLaunch));
    QCOMPARE(blocksIn(field, 4), stack);
}

void TestField::onlyLaunchSquaresHaveColumns() {
    for (int i = 0; i < Field::kTopSquares; ++i) {
        const int expected = (i >= 7 && i <= 15 && i % 2 == 1) ? (i - 7) / 2 : -1;
        QCOMPARE(Field::columnUnder(i), expected);
    }
}

TOQUEL_TEST_MAIN(TestField)
#include "tst_field.moc"
