// Playing through the real window: the clocks, sending blocks, the end of a game,
// the record and the best results.
#include "GameFixture.h"
#include "TestMain.h"
#include "scores/BezVyhryFrm.h"
#include "scores/VyherniFrm.h"
#include "scores/VysledkyFrm.h"
#include "web/OdeslatFrm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
// Sets column `column` to hold `blocks` blocks of its colour and puts `colour` on its launch
// square.
void prepare(HraciPoleFrm &w, int column, int blocks, Square colour) {
    for (int row = 0; row < Field::kRows; ++row)
        w.field().setCell(column, row,
                          row > Field::kBottomRow - blocks ? Square(column) : Colour::Empty);
    w.field().setTop(Field::kLaunchSquares[column], colour);
}

// One right block (5 points), then a wrong one: the game ends with a record.
void endWithAFivePointRecord(const GameFixture &game) {
    prepare(*game.window, 0, 5, Colour::Blue);
    game.press(7);
    prepare(*game.window, 0, 5, Colour::Red);
    game.press(7);
}

TabulkaSkore tableWithLastPlace(int last) {
    TabulkaSkore table;
    for (int i = 0; i < TabulkaSkore::kEntries; ++i)
        table.VlozSkore(QStringLiteral("Hráč %1").arg(i), qint16(last + 100 * (4 - i)));
    return table;
}

// Types text key by key, Czech letters included, as the player would.
void type(QWidget *box, const QString &text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString labelText(QWidget *window, const char *name) {
    return window->findChild<QLabel *>(QLatin1String(name))->text();
}
} // namespace

class TestPlay : public QObject {
    Q_OBJECT
private slots:
    void init() { GameFixture::storeTable(TabulkaSkore()); }

    void pressOnEmptyLaunchSquareDoesNothing();
    void firstBlockScoresFiveAndShows();
    void anyButtonSends_data();
    void anyButtonSends();
    void fullColumnRefusesTheBlock();
    void blockOnRowThreeScoresNine();
    void onlyEnabledLaunchSquaresReact();
    void levelUpNeedsMoreThanTheThreshold();
    void wrongColourEndsTheGameWithTheBlockInPlace();
    void emptyColumnEndsTheGameOnce();
    void pressAndSinkDuringTheShiftDoNotNestIt();
    void gameEndedDuringTheShiftLetsItCompleteThenFreezes();
    void endOfGameChoosesItsWindow_data();
    void endOfGameChoosesItsWindow();
    void endWindowsStandOverTheMainWindow();
    void noRecordWindowGivesTheFieldBack();
    void recordStoresTheName_data();
    void recordStoresTheName();
    void nameBoxRefusesWhatCannotBeStored();
    void bestResultsShowTheTableAndClear();
    void bestResultsClearAnsweredNoKeepsTheTable();
    void bestResultsOfTheEarlierGameLoadAndFit();
    void closingBestResultsResumesTheGame();
    void sendingFromBestResultsGivesTheMainWindowBack();
};

void TestPlay::pressOnEmptyLaunchSquareDoesNothing() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 1, 5, Colour::Empty);
    game.press(9);
    QCOMPARE(w.Skore(), qint16(0));
    QCOMPARE(w.field().cell(1, 7), Colour::Empty);
}

void TestPlay::firstBlockScoresFiveAndShows() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 1, 5, Colour::Green);
    game.press(9);
    QCOMPARE(w.field().cell(1, 7), Colour::Green);
    QCOMPARE(w.field().top(9), Colour::Empty);
    QCOMPARE(w.Skore(), qint16(5));
    QCOMPARE(w.scoreCaption(), QStringLiteral("00 005"));
    QCOMPARE(labelText(w.view(), "Label2_1"), QStringLiteral("00 005"));
}

void TestPlay::anyButtonSends_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestPlay::anyButtonSends() {
    QFETCH(Qt::MouseButton, button);
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 4, 5, Colour::White);
    game.press(15, button);
    QCOMPARE(w.field().cell(4, 7), Colour::White);
    QCOMPARE(w.Skore(), qint16(5));
}

void TestPlay::fullColumnRefusesTheBlock() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 2, 10, Colour::Orange);
    game.press(11);
    QCOMPARE(w.field().top(11), Colour::Orange);
    QCOMPARE(w.Skore(), qint16(0));
    QVERIFY(!w.KonecHry());
}

void TestPlay::blockOnRowThreeScoresNine() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 3, 9, Colour::Red);
    game.press(13);
    QCOMPARE(w.field().cell(3, 3), Colour::Red);
    QCOMPARE(w.Skore(), qint16(9));
    w.field().setTop(13, Colour::Red);
    game.press(13); // the column is full now
    QCOMPARE(w.Skore(), qint16(9));
    QCOMPARE(w.field().top(13), Colour::Red);
}

void TestPlay::onlyEnabledLaunchSquaresReact() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 0, 5, Colour::Blue);
    w.field().setTop(8, Colour::Blue);
    game.press(8); // not a launch square
    QCOMPARE(w.field().top(8), Colour::Blue);
    game.action("MnPauza")->trigger();
    game.press(7); // held: the launch squares are off
    QCOMPARE(w.field().top(7), Colour::Blue);
    QCOMPARE(w.Skore(), qint16(0));
}

void TestPlay::levelUpNeedsMoreThanTheThreshold() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    // 22 blocks on row 3 (9 points) and one on row 10 (2 points): exactly 200.
    for (int i = 0; i < 22; ++i) {
        prepare(w, 0, 9, Colour::Blue);
        game.press(7);
    }
    prepare(w, 0, 2, Colour::Blue);
    game.press(7);
    QCOMPARE(w.Skore(), qint16(200));
    QCOMPARE(w.levelCaption(), QStringLiteral("00"));
    QCOMPARE(w.timer1().interval(), 750);

    prepare(w, 0, 0, Colour::Blue); // an empty column: the block scores 0
    game.press(7);
    QCOMPARE(w.Skore(), qint16(200));
    prepare(w, 0, 1, Colour::Blue);
    game.press(7);
    QCOMPARE(w.Skore(), qint16(201));
    QCOMPARE(w.levelCaption(), QStringLiteral("01"));
    QCOMPARE(w.HraniceUrovne(), qint16(400));
    QCOMPARE(w.timer1().interval(), 675);
    QCOMPARE(w.timer2().interval(), 9000);
}

void TestPlay::wrongColourEndsTheGameWithTheBlockInPlace() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 2, 5, Colour::Red);
    game.press(11);
    QVERIFY(w.KonecHry());
    QCOMPARE(w.field().cell(2, 7), Colour::Red);
    QCOMPARE(w.Skore(), qint16(0));
    QVERIFY(game.held());
    QVERIFY(!game.action("MnPauza")->isEnabled());
    QVERIFY(!w.isVisible());
    QVERIFY(Forms::existing<BezVyhryFrm>());
}

void TestPlay::emptyColumnEndsTheGameOnce() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    for (int row = 0; row < Field::kRows; ++row) {
        w.field().setCell(1, row, Colour::Empty);
        w.field().setCell(3, row, Colour::Empty);
    }
    w.Timer2_Timer();
    QVERIFY(w.KonecHry());
    QCOMPARE(w.field().cell(0, 12), Colour::Blue); // nothing sank
    QCOMPARE(w.field().cell(0, 8), Colour::Blue);
    BezVyhryFrm *first = Forms::existing<BezVyhryFrm>();
    QVERIFY(first);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(),
                           [](QWidget *t) { return qobject_cast<Form *>(t) != nullptr; }),
             1);
}

// A press and a column-clock tick arrive while the row shift lets events in;
// a row-clock tick arriving then must not start a second shift.
void TestPlay::pressAndSinkDuringTheShiftDoNotNestIt() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    game.action("MnPauza")->trigger(); // only the test ticks
    game.action("MnPauza")->trigger();
    w.Zamkni();
    for (int i = 0; i < Field::kTopSquares; ++i)
        w.field().setTop(i, Colour::Empty);
    w.field().setTop(8, Colour::Green); // comes onto HIm(7)... only after the copy of square 7
    w.field().setTop(9, Colour::Green); // stands on HIm(9) until square 8's copy
    for (int square : Field::kLaunchSquares)
        w.view()->setSquareEnabled(square, true);

    bool ran = false;
    QTimer::singleShot(0, &w, [&] {
        ran = true;
        // The shift has copied square 1 into 0 only: HIm(9) still holds its green block.
        game.press(9);
        w.Timer2_Timer();
        w.Timer1_Timer(); // must not shift again
    });
    w.Timer1_Timer();
    QVERIFY(ran);
    QCOMPARE(w.Skore(), qint16(5));
    QCOMPARE(w.field().cell(1, 8), Colour::Green); // sent to row 7, then sunk one row
    QCOMPARE(w.field().top(7), Colour::Green);     // square 8's block moved on by one square only
    QCOMPARE(w.field().top(8), Colour::Empty);     // the hole left by the press moved left
    QVERIFY(w.field().top(22) != Colour::Empty);
    int blocks = game.blocksOnTopRow();
    QCOMPARE(blocks, 2);
}

void TestPlay::gameEndedDuringTheShiftLetsItCompleteThenFreezes() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    w.Zamkni();
    for (int i = 0; i < Field::kTopSquares; ++i)
        w.field().setTop(i, Colour::Empty);
    w.field().setTop(15, Colour::Red); // a wrong block above the white column
    for (int square : Field::kLaunchSquares)
        w.view()->setSquareEnabled(square, true);

    QTimer::singleShot(0, &w, [&] { game.press(15); });
    w.Timer1_Timer();
    QVERIFY(w.KonecHry());
    QVERIFY(w.field().top(22) != Colour::Empty); // the shift completed, new block included
    QCOMPARE(game.blocksOnTopRow(), 1);
    QVERIFY(game.held());
    w.Aktivuj(); // changes nothing once the game is over
    QCOMPARE(game.blocksOnTopRow(), 1);
    QVERIFY(game.held());
}

void TestPlay::endOfGameChoosesItsWindow_data() {
    QTest::addColumn<int>("lastPlace"); // -1: a free place
    QTest::addColumn<int>("score");
    QTest::addColumn<bool>("record");
    QTest::newRow("score 0 with free places") << -1 << 0 << false;
    QTest::newRow("score 5 with a free place") << -1 << 5 << true;
    QTest::newRow("equal to the last place") << 350 << 350 << false;
    QTest::newRow("one above the last place") << 350 << 351 << true;
}

void TestPlay::endOfGameChoosesItsWindow() {
    QFETCH(int, lastPlace);
    QFETCH(int, score);
    GameFixture::storeTable(lastPlace < 0 ? TabulkaSkore() : tableWithLastPlace(lastPlace));
    GameFixture game;
    HraciPoleFrm &w = game.start();
    // Score the points with blocks of 9 and one of the rest.
    while (w.Skore() + 9 <= score) {
        prepare(w, 0, 9, Colour::Blue);
        game.press(7);
    }
    if (const int rest = score - w.Skore(); rest > 0) {
        prepare(w, 0, rest, Colour::Blue);
        game.press(7);
    }
    QCOMPARE(int(w.Skore()), score);
    prepare(w, 0, 5, Colour::Red);
    game.press(7);
    QVERIFY(w.KonecHry());
    QFETCH(bool, record);
    QCOMPARE(Forms::existing<VyherniFrm>() != nullptr, record);
    QCOMPARE(Forms::existing<BezVyhryFrm>() != nullptr, !record);
}

void TestPlay::endWindowsStandOverTheMainWindow() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    w.move(120, 80);
    prepare(w, 0, 5, Colour::Red);
    game.press(7);
    BezVyhryFrm *end = Forms::existing<BezVyhryFrm>();
    QVERIFY(end);
    QCOMPARE(end->pos(), QPoint(120, 87));
    QCOMPARE(labelText(end, "Label10"), QStringLiteral("00 000"));
    QCOMPARE(end->windowTitle(), QStringLiteral("Nebylo dosaženo rekordu..."));
}

void TestPlay::noRecordWindowGivesTheFieldBack() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    prepare(w, 0, 5, Colour::Red);
    game.press(7);
    Forms::existing<BezVyhryFrm>()->findChild<QPushButton *>("Command1")->click();
    QVERIFY(w.isVisible());
    QVERIFY(w.isEnabled());
    QVERIFY(!Forms::existing<VysledkyFrm>());
    QVERIFY(game.held());
    QVERIFY(!game.action("MnPauza")->isEnabled());
    // A new game now starts without a question.
    const int questions = game.asked.size();
    game.action("MnNovahra")->trigger();
    QCOMPARE(game.asked.size(), questions);
    QVERIFY(!w.KonecHry());
    QVERIFY(game.running());
    QVERIFY(game.action("MnPauza")->isEnabled());
}

void TestPlay::recordStoresTheName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("how");    // enter, ok or close
    QTest::addColumn<QString>("stored"); // empty: nothing stored
    QTest::newRow("Enter") << "Eva"
                           << "enter"
                           << "Eva";
    QTest::newRow("empty OK") << ""
                              << "ok"
                              << "Anonym";
    QTest::newRow("close box with a name") << "Jan Novák"
                                           << "close"
                                           << "Jan Novák";
    QTest::newRow("close box, empty") << ""
                                      << "close"
                                      << "";
    QTest::newRow("spaces only") << "   "
                                 << "ok"
                                 << "   ";
}

void TestPlay::recordStoresTheName() {
    QFETCH(QString, typed);
    QFETCH(QString, how);
    GameFixture game;
    HraciPoleFrm &w = game.start();
    endWithAFivePointRecord(game);
    VyherniFrm *record = Forms::existing<VyherniFrm>();
    QVERIFY(record);
    QCOMPARE(labelText(record, "Label10"), QStringLiteral("00 005"));
    auto *box = record->findChild<QLineEdit *>("Text1");
    type(box, typed);
    if (how == "enter")
        QTest::keyClick(box, Qt::Key_Return);
    else if (how == "ok")
        record->findChild<QPushButton *>("Command1")->click();
    else
        record->close();

    QFETCH(QString, stored);
    ScoreBook reread;
    reread.load();
    QCOMPARE(reread.table().entry(0).name, stored);
    QCOMPARE(reread.table().entry(0).score, stored.isEmpty() ? QString() : QStringLiteral("5"));
    QVERIFY(w.isVisible());
    QVERIFY(!w.isEnabled());
    VysledkyFrm *best = Forms::existing<VysledkyFrm>();
    QVERIFY(best);
    QCOMPARE(labelText(best, "Label2_0"), stored);
    best->close();
    QVERIFY(w.isEnabled());
    QVERIFY(game.held()); // the game is over: closing restarts nothing
}

void TestPlay::nameBoxRefusesWhatCannotBeStored() {
    GameFixture game;
    game.start();
    endWithAFivePointRecord(game);
    auto *box = Forms::existing<VyherniFrm>()->findChild<QLineEdit *>("Text1");
    type(box, QStringLiteral("Eva;Jan"));
    QCOMPARE(box->text(), QStringLiteral("EvaJan"));
    box->clear();
    box->insert(QStringLiteral("Zoè")); // è has no Windows-1250 code: the paste is refused
    QCOMPARE(box->text(), QString());
    type(box, QString(40, u'ř'));
    QCOMPARE(box->text(), QString(TabulkaSkore::kMaxNameLength, u'ř'));
}

void TestPlay::bestResultsShowTheTableAndClear() {
    TabulkaSkore two;
    two.VlozSkore(QStringLiteral("Eva"), 1234);
    two.VlozSkore(QStringLiteral("Jan"), 85);
    GameFixture::storeTable(two);
    GameFixture game;
    HraciPoleFrm &w = game.start();
    QCOMPARE(w.bestCaption(), QStringLiteral("1234"));
    game.action("MnZobrazitNv")->trigger();
    VysledkyFrm *best = Forms::existing<VysledkyFrm>();
    QVERIFY(best);
    QVERIFY(!w.isEnabled());
    QVERIFY(game.held());
    QCOMPARE(labelText(best, "Label2_0"), QStringLiteral("Eva"));
    QCOMPARE(labelText(best, "Label3_0"), QStringLiteral("1234"));
    QCOMPARE(labelText(best, "Label2_1"), QStringLiteral("Jan"));
    QCOMPARE(labelText(best, "Label3_1"), QStringLiteral("85"));
    for (const char *empty : {"Label2_2", "Label3_2", "Label2_4", "Label3_4"})
        QCOMPARE(labelText(best, empty), QString());

    game.answers = {GameFixture::Answer::Yes};
    best->findChild<QPushButton *>("Command2")->click();
    QCOMPARE(game.asked.back().title, QStringLiteral("Vymazat výsledky?"));
    QCOMPARE(game.asked.back().text, QStringLiteral("Opravdu chcete smazat nejlepší výsledky?"));
    QCOMPARE(labelText(best, "Label2_0"), QString());
    QCOMPARE(labelText(best, "Label3_1"), QString());
    QVERIFY(best->isVisible());
    best->close();

    // Shown again from the menu: the empty table, and no damage message.
    const int questions = game.asked.size();
    game.action("MnZobrazitNv")->trigger();
    QCOMPARE(game.asked.size(), questions);
    QCOMPARE(labelText(Forms::existing<VysledkyFrm>(), "Label2_0"), QString());
}

void TestPlay::bestResultsClearAnsweredNoKeepsTheTable() {
    TabulkaSkore one;
    one.VlozSkore(QStringLiteral("Eva"), 120);
    GameFixture::storeTable(one);
    GameFixture game;
    game.start();
    game.action("MnZobrazitNv")->trigger();
    VysledkyFrm *best = Forms::existing<VysledkyFrm>();
    game.answers = {GameFixture::Answer::No};
    best->findChild<QPushButton *>("Command2")->click();
    QCOMPARE(labelText(best, "Label2_0"), QStringLiteral("Eva"));
    ScoreBook reread;
    QCOMPARE(reread.load(), ScoreBook::Load::Loaded);
    QCOMPARE(reread.table(), one);
}

// A table the earlier game wrote, with a name longer than a row and a score
// with leading zeros, loads without a damage message; the long name is cut
// short with "…" inside its row and kept whole in the tooltip.
void TestPlay::bestResultsOfTheEarlierGameLoadAndFit() {
    const QString longName = QStringLiteral("Šárka z Dolní Lhoty u Kamenice nad Lipou");
    TabulkaSkore old;
    old.setEntry(0, {longName, QStringLiteral("0120")});
    old.setEntry(1, {QStringLiteral("Jan"), QStringLiteral("85")});
    GameFixture::storeTable(old);
    GameFixture game;
    HraciPoleFrm &w = game.start();
    QVERIFY(game.asked.isEmpty());
    QCOMPARE(w.table(), old);
    game.action("MnZobrazitNv")->trigger();
    VysledkyFrm *best = Forms::existing<VysledkyFrm>();
    QVERIFY(best);
    const auto *row = best->findChild<QLabel *>("Label2_0");
    QVERIFY(row->text().endsWith(u'…'));
    QVERIFY(longName.startsWith(row->text().chopped(1)));
    QVERIFY(row->fontMetrics().horizontalAdvance(row->text()) <= row->width());
    QCOMPARE(row->toolTip(), longName);
    QCOMPARE(labelText(best, "Label3_0"), QStringLiteral("0120"));
    QCOMPARE(labelText(best, "Label2_1"), QStringLiteral("Jan"));
    QVERIFY(best->findChild<QLabel *>("Label2_1")->toolTip().isEmpty());
}

void TestPlay::closingBestResultsResumesTheGame() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    game.action("MnZobrazitNv")->trigger();
    const int blocks = game.blocksOnTopRow();
    Forms::existing<VysledkyFrm>()->close(); // the close box does what OK does
    QVERIFY(w.isEnabled());
    QVERIFY(game.running());
    QCOMPARE(game.blocksOnTopRow(), blocks + 1);

    game.action("MnPauza")->trigger();
    game.action("MnZobrazitNv")->trigger();
    Forms::existing<VysledkyFrm>()->findChild<QPushButton *>("OKButton")->click();
    QVERIFY(w.isEnabled());
    QVERIFY(game.held()); // still paused
}

// "Odeslat na web" in the best results opens the send window, then closes the
// best results, whose closing gives the main window back: the game runs beside
// the send window, and closing that resumes it once more.
void TestPlay::sendingFromBestResultsGivesTheMainWindowBack() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    game.action("MnZobrazitNv")->trigger();
    Forms::existing<VysledkyFrm>()->findChild<QPushButton *>("Command1")->click();
    QVERIFY(!Forms::existing<VysledkyFrm>()->isVisible()); // closed, deleted at the next chance
    OdeslatFrm *send = Forms::existing<OdeslatFrm>();
    QVERIFY(send);
    QVERIFY(w.isEnabled());
    QVERIFY(game.running());
    send->close();
    QVERIFY(w.isEnabled());
    QVERIFY(game.running());
}

TOQUEL_TEST_MAIN(TestPlay)
#include "tst_play.moc"
