// The main window: the playing field with its score, level and best result,
// and the menu. It shows the game, routes the player's presses and commands to
// it, asks the questions and opens the other windows.
#pragma once

#include "rules/game/Game.h"
#include "toolkit/LabelPair.h"
#include "windows/ScoreKeeper.h"
#include "windows/SendWindow.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <functional>

class AboutWindow;
class BestResultsWindow;
class FieldView;
class Form;
class HowToPlayWindow;
class QAction;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The score board the results go to, where each new game's colour
    // sequence comes from (the time of day, unless a test fixes it) and the
    // game's clocks (timers, unless a test or a benchmark ticks them by hand).
    struct Setup {
        SendWindow::ScoreBoard scoreBoard;
        std::function<quint32()> seed;
        Game::Clocks clocks = Game::Clocks::timers();
        // Where players write to, shown in the about and how-to-play windows.
        QString contact;
        // The addresses fixed when the game was built, the time of day and timers.
        static Setup fromBuild();
    };

    explicit MainWindow(Setup setup = Setup::fromBuild());
    ~MainWindow() override;

    // A new game: the field, the score, the level, the best result and the clocks.
    void newGame();

    const Game &game() const { return m_game; }
    Game &game() { return m_game; }
    const ScoreTable &scoreTable() const { return m_scores.table(); }
    FieldView *fieldView() const { return m_fieldView; }

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenu();
    void askNewGame();
    // Asks whether to quit and ends the program on Yes; false when the player stays.
    bool askQuit();
    void showBestResults();
    void openScoreBoardPage();
    void gameEnded(int score);
    void recordWindowClosed(const QString &name, int score);
    // Shows the one window kept in `slot`, creating it first when there is none.
    template <class W, class... Args> W *showSingle(QPointer<W> &slot, Args &&...args);
    // Opens a window that holds the game and takes the main window's input until it closes.
    template <class W, class... Args> void openHolding(QPointer<W> &slot, Args &&...args);
    void holdingWindowClosed(Form *window);
    void openSendWindow();

    Game m_game;
    ScoreKeeper m_scores;
    Setup m_setup;
    FieldView *m_fieldView = nullptr;
    LabelPair m_scoreLabel;
    LabelPair m_levelLabel;
    LabelPair m_bestLabel;
    QAction *m_pauseAction = nullptr;
    bool m_shownOnce = false;

    QPointer<HowToPlayWindow> m_howToPlay;
    QPointer<AboutWindow> m_about;
    QPointer<BestResultsWindow> m_bestResults;
    QPointer<SendWindow> m_send;
    // The windows that hold the game and the main window's input while they are up.
    QSet<Form *> m_holdingWindows;
};
