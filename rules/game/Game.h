// One game of Toquel: the field, the score and the level, both clocks and the
// colour draw, and what state the game is in. No widgets: the main window
// shows the game and routes the player's presses and commands to it.
#pragma once

#include "rules/game/ColourDraw.h"
#include "rules/game/Field.h"
#include "rules/game/GameClock.h"
#include "rules/game/Scoring.h"

#include <QObject>
#include <functional>
#include <memory>

class Game : public QObject {
    Q_OBJECT
public:
    enum class State {
        Running,   // the clocks tick and the launch squares take presses
        Held,      // stopped for a question, a window or the score board page
        Paused,    // the player paused it; only the player resumes it
        Minimised, // the main window is minimised
        Ended,     // a wrong colour or an empty column ended it
    };
    Q_ENUM(State)

    // Runs after every copy of the row shift so that presses, repaints and the
    // other clock get their turn; false when the program is ending, and the
    // shift stops there.
    using EventPump = std::function<bool()>;

    // The row clock moves the top row, the column clock sinks the columns.
    struct Clocks {
        std::unique_ptr<GameClock> row;
        std::unique_ptr<GameClock> column;
        // Two GameTimers: the game as it is played.
        static Clocks timers();
    };

    explicit Game(
        EventPump letEventsRun = [] { return true; }, Clocks clocks = Clocks::timers(),
        QObject *parent = nullptr);

    // A fresh field with the starting blocks, score and level 0, the first
    // intervals and a newly seeded colour draw. The game does not move until start().
    void reset(quint32 seed);
    // The reset game begins: it runs unless paused or held under a window.
    void start();

    // Lets the game run: launch squares and both clocks on, and one row tick at
    // once. Nothing happens when it is over, paused, held under a window or stopped.
    void resume();
    // Launch squares and both clocks off, until the next resume().
    void hold();
    // The player's pause: on holds the game, off resumes it.
    void togglePause();
    // A minimised window holds the game; restoring it resumes the game.
    void setMinimised(bool minimised);
    // A window opened from the menu, or the new-game question, holds the game
    // while it is up: a restore does not resume it, letting go does.
    void setHeldUnderWindow(bool held);
    // The program is ending: the clocks stop for good and nothing resumes them.
    void stop();

    // The player pressed top-row square `square`: the block standing there goes
    // down the column under it, if it is a launch square and the game runs.
    void sendBlockFrom(int square);

    // Every square at once, as a position composed elsewhere: the field view
    // repaints all of it. Score, level and clocks go on as they were.
    void setField(const Field &field);

    State state() const;
    bool isOver() const { return m_over; }
    bool launchSquaresEnabled() const { return m_launchSquaresEnabled; }
    int score() const { return m_score; }
    int level() const { return m_level; }
    int threshold() const { return m_threshold; }
    const Field &field() const { return m_field; }
    const GameClock &rowClock() const { return *m_rowClock; }
    const GameClock &columnClock() const { return *m_columnClock; }

signals:
    void fieldReset();
    void topSquareChanged(int square);
    void columnsChanged();
    void scoreChanged(int score);
    void levelChanged(int level);
    void pausedChanged(bool paused);
    void ended(int score);

private:
    void rowTick();
    void columnTick();
    // Holds the game, or else lets it run again if nothing else holds it.
    void holdIf(bool held);
    void raiseLevel();
    void end();

    Field m_field;
    ColourDraw m_draw;
    std::unique_ptr<GameClock> m_rowClock;
    std::unique_ptr<GameClock> m_columnClock;
    EventPump m_letEventsRun;

    int m_score = 0;
    int m_level = 0;
    int m_threshold = Scoring::kFirstThreshold;

    bool m_launchSquaresEnabled = false;
    bool m_over = false;
    bool m_paused = false;
    bool m_minimised = false;
    bool m_heldUnderWindow = false;
    bool m_stopped = false;
    bool m_rowShiftRunning = false;
};
