// Starting, holding, resuming and leaving a game, through the real main window.
#include "GameFixture.h"
#include "TestMain.h"
#include "shell/Twips.h"

#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

class TestLifecycle : public QObject {
    Q_OBJECT
private slots:
    void init() { GameFixture::forgetStoredTable(); }

    void firstStartReportsTheMissingTableOnce();
    void programStartMovesTheRowTwice();
    void pauseHoldsAndResumesWithOneTick();
    void newGameWhilePausedStaysPaused();
    void newGameAnsweredNoResumes();
    void newGameQuestionIsAskedWithTheGameHeld();
    void minimiseHoldsAndRestoreResumesWithOneTick();
    void minimisingWhilePausedStaysPaused();
    void quitAnsweredNoChangesNothing();
    void closingAnsweredNoKeepsTheWindow();
    void quitAnsweredYesEndsAtOnce();
    void quitConfirmedInsideAnotherQuestionRunsNothingMore();
    void messageBoxesSpeakCzech();
    void placedBeforeItIsShown();
    void heldUnderAMenuWindow_data();
    void heldUnderAMenuWindow();
    void leftmostTopSquareStartsLeftOfTheField();
    void f10OpensTheFirstMenu();
};

void TestLifecycle::firstStartReportsTheMissingTableOnce() {
    {
        GameFixture game;
        HraciPoleFrm &w = game.start();
        QCOMPARE(game.asked.size(), 1);
        QCOMPARE(game.asked[0].title, QStringLiteral("Poškození výsledků"));
        QCOMPARE(game.asked[0].buttons, MessageBox::Buttons::Ok);
        QVERIFY(game.asked[0].text.startsWith(
            QStringLiteral("Uložené nejlepší výsledky byly poškozeny nebo smazány.")));
        QVERIFY(game.asked[0].text.endsWith(
            QStringLiteral("Je mi líto, ale musíte jich znovu dosáhnout.")));
        QCOMPARE(w.bestCaption(), QString());
    }
    const QString stored = QSettings(QStringLiteral("Toquel"), QStringLiteral("Toquel"))
                               .value(QStringLiteral("Skore/HiSkore"))
                               .toString();
    QCOMPARE(stored.size(), 10);
    QCOMPARE(stored.back().unicode(), 0);

    GameFixture again;
    again.start();
    QVERIFY(again.asked.isEmpty());
}

void TestLifecycle::programStartMovesTheRowTwice() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    QCOMPARE(game.blocksOnTopRow(), 2);
    QVERIFY(w.field().top(21) != Colour::Empty);
    QVERIFY(w.field().top(22) != Colour::Empty);
    QVERIFY(game.running());
    QCOMPARE(w.scoreCaption(), QStringLiteral("00 000"));
    QCOMPARE(w.levelCaption(), QStringLiteral("00"));
    QCOMPARE(w.timer1().interval(), 750);
    QCOMPARE(w.timer2().interval(), 10000);
}

void TestLifecycle::pauseHoldsAndResumesWithOneTick() {
    GameFixture game;
    game.start();
    QAction *pauza = game.action("MnPauza");
    pauza->trigger();
    QVERIFY(pauza->isChecked());
    QVERIFY(game.held());
    const int blocks = game.blocksOnTopRow();
    pauza->trigger();
    QVERIFY(!pauza->isChecked());
    QVERIFY(game.running());
    QCOMPARE(game.blocksOnTopRow(), blocks + 1);
}

void TestLifecycle::newGameWhilePausedStaysPaused() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    w.field().setCell(0, 3, Colour::Blue); // a leftover of the old game
    game.action("MnPauza")->trigger();
    game.answers = {GameFixture::Answer::Yes};
    game.action("MnNovahra")->trigger();
    QCOMPARE(game.asked.back().title, QStringLiteral("Nová hra?"));
    QCOMPARE(game.asked.back().text,
             QStringLiteral("Opravdu chcete zrušit právě probíhající hru?"));
    QCOMPARE(w.field().cell(0, 3), Colour::Empty);
    QCOMPARE(game.blocksOnTopRow(), 0); // no tick: the new game waits for the pause to end
    QVERIFY(game.action("MnPauza")->isChecked());
    QVERIFY(game.held());

    game.action("MnPauza")->trigger();
    QVERIFY(game.running());
    QCOMPARE(game.blocksOnTopRow(), 1);
}

void TestLifecycle::newGameAnsweredNoResumes() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    w.field().setCell(0, 3, Colour::Blue);
    const int blocks = game.blocksOnTopRow();
    game.answers = {GameFixture::Answer::No};
    game.action("MnNovahra")->trigger();
    QCOMPARE(w.field().cell(0, 3), Colour::Blue);
    QVERIFY(game.running());
    QCOMPARE(game.blocksOnTopRow(), blocks + 1);

    // Paused, No keeps it paused.
    game.action("MnPauza")->trigger();
    game.answers = {GameFixture::Answer::No};
    game.action("MnNovahra")->trigger();
    QVERIFY(game.held());
    QVERIFY(game.action("MnPauza")->isChecked());
}

void TestLifecycle::newGameQuestionIsAskedWithTheGameHeld() {
    GameFixture game;
    game.start();
    bool heldWhileAsking = false;
    game.whileAsking = [&](const MessageBox::Request &) { heldWhileAsking = game.held(); };
    game.action("MnNovahra")->trigger();
    QVERIFY(heldWhileAsking);
}

void TestLifecycle::minimiseHoldsAndRestoreResumesWithOneTick() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    w.setWindowState(Qt::WindowMinimized);
    QVERIFY(game.held());
    const int blocks = game.blocksOnTopRow();
    w.setWindowState(Qt::WindowNoState);
    QVERIFY(game.running());
    QCOMPARE(game.blocksOnTopRow(), blocks + 1);
}

void TestLifecycle::minimisingWhilePausedStaysPaused() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    game.action("MnPauza")->trigger();
    w.setWindowState(Qt::WindowMinimized);
    w.setWindowState(Qt::WindowNoState);
    QVERIFY(game.held());
    QVERIFY(game.action("MnPauza")->isChecked());
}

void TestLifecycle::quitAnsweredNoChangesNothing() {
    GameFixture game;
    game.start();
    bool runningWhileAsking = false;
    game.whileAsking = [&](const MessageBox::Request &) { runningWhileAsking = game.running(); };
    const int blocks = game.blocksOnTopRow();
    game.action("MnKonec")->trigger();
    QCOMPARE(game.asked.back().title, QStringLiteral("Konec hry?"));
    QCOMPARE(game.asked.back().text, QStringLiteral("Opravdu chcete skončit?"));
    QVERIFY(runningWhileAsking); // the quit question does not hold the game
    QVERIFY(game.running());
    QCOMPARE(game.blocksOnTopRow(), blocks);
    QCOMPARE(game.quits, 0);
}

void TestLifecycle::closingAnsweredNoKeepsTheWindow() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QCOMPARE(game.asked.back().title, QStringLiteral("Konec hry?"));
    QVERIFY(game.running());
}

void TestLifecycle::quitAnsweredYesEndsAtOnce() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    game.answers = {GameFixture::Answer::Yes};
    QVERIFY(w.close());
    QCOMPARE(game.quits, 1);
    QVERIFY(!w.isVisible());
    QVERIFY(Program::isEnding());
    // The clocks' handlers run no more.
    const int blocks = game.blocksOnTopRow();
    w.timer1().setInterval(1);
    QTest::qWait(20);
    QCOMPARE(game.blocksOnTopRow(), blocks);
}

// The player asks for a new game; while that question is open, a second
// window's quit is confirmed. The new-game answer then changes nothing.
void TestLifecycle::quitConfirmedInsideAnotherQuestionRunsNothingMore() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    game.whileAsking = [&](const MessageBox::Request &request) {
        if (request.title == QStringLiteral("Nová hra?")) {
            game.answers = {GameFixture::Answer::Yes, GameFixture::Answer::No};
            w.MnKonec_Click();
        }
    };
    const int blocks = game.blocksOnTopRow();
    w.MnNovahra_Click();
    QCOMPARE(game.quits, 1);
    QVERIFY(game.held());
    QCOMPARE(game.blocksOnTopRow(), blocks);
}

void TestLifecycle::messageBoxesSpeakCzech() {
    Program::installCzechTranslation(*qApp);
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Ano"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Ne"));
}

TOQUEL_TEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"

// Regression: the window was moved inside its show, after the row clock had let
// events in; with no window manager it then came up 640 x 480 and off centre.
void TestLifecycle::placedBeforeItIsShown() {
    GameFixture game;
    game.window = std::make_unique<HraciPoleFrm>();
    game.window->Form_Load();
    struct ShowWatcher : QObject {
        QRect atShow;
        bool eventFilter(QObject *watched, QEvent *event) override {
            if (event->type() == QEvent::Show && atShow.isNull())
                atShow = static_cast<QWidget *>(watched)->geometry();
            return false;
        }
    } watcher;
    game.window->installEventFilter(&watcher);
    game.window->show();
    const QRect screen = game.window->screen()->availableGeometry();
    QCOMPARE(watcher.atShow.size(), QSize(499, 365));
    QVERIFY((watcher.atShow.center() - screen.center()).manhattanLength() <= 2);
}

void TestLifecycle::heldUnderAMenuWindow_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::newRow("how to play") << "MnJakHrat"
                                 << "JakHratFrm";
    QTest::newRow("about") << "MnOAplikaci"
                           << "OAplikaciFrm";
    QTest::newRow("best results") << "MnZobrazitNv"
                                  << "VysledkyFrm";
}

// Regression: a restore ran the resize rule and started the held game under the
// window; the main window's close box asked "Konec hry?" though it took no input.
void TestLifecycle::heldUnderAMenuWindow() {
    QFETCH(QString, command);
    QFETCH(QString, window);
    GameFixture game;
    HraciPoleFrm &w = game.start();
    game.action(command.toLatin1())->trigger();
    QVERIFY(game.held());
    const int blocks = game.blocksOnTopRow();
    w.setWindowState(Qt::WindowMinimized);
    w.setWindowState(Qt::WindowNoState);
    QVERIFY(game.held());
    QCOMPARE(game.blocksOnTopRow(), blocks);

    game.asked.clear();
    QVERIFY(!w.close());
    QVERIFY(game.asked.isEmpty());
    QVERIFY(w.isVisible());
    QWidget *open = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->objectName() == window && top->isVisible())
            open = top;
    QVERIFY(open);
    open->close();
    QVERIFY(game.running());
}

// Regression: negative twips were truncated toward zero, a pixel too far right.
void TestLifecycle::leftmostTopSquareStartsLeftOfTheField() {
    QCOMPARE(FieldView::topSquareRect(0), QRect(-15, 19, 23, 23));
    QCOMPARE(FieldView::topSquareRect(1).left(), 8);
    QCOMPARE(Twips::toPixels(-7), 0);
    QCOMPARE(Twips::toPixels(-8), -1);
}

void TestLifecycle::f10OpensTheFirstMenu() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_F10);
    auto *first = w.findChild<QMenu *>(QStringLiteral("MnHra"));
    QVERIFY(first);
    QCOMPARE(w.menuBar()->activeAction(), first->menuAction());
    QTRY_VERIFY(first->isVisible());
    first->hide();
}
