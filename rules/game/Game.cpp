#include "rules/game/Game.h"

#include "rules/game/GameTimer.h"

#include <limits>

Game::Clocks Game::Clocks::timers() {
    return {std::make_unique<GameTimer>(), std::make_unique<GameTimer>()};
}

Game::Game(EventPump letEventsRun, Clocks clocks, QObject *parent)
    : QObject(parent), m_rowClock(std::move(clocks.row)), m_columnClock(std::move(clocks.column)),
      m_letEventsRun(std::move(letEventsRun)) {
    m_rowClock->setObjectName(QStringLiteral("Timer1"));
    m_columnClock->setObjectName(QStringLiteral("Timer2"));
    connect(m_rowClock.get(), &GameClock::timeout, this, &Game::rowTick);
    connect(m_columnClock.get(), &GameClock::timeout, this, &Game::columnTick);
}

void Game::reset(quint32 seed) {
    m_field.clear();
    m_field.placeStartingBlocks();
    emit fieldReset();
    m_score = 0;
    emit scoreChanged(m_score);
    m_level = 0;
    emit levelChanged(m_level);
    m_threshold = Scoring::kFirstThreshold;
    m_draw.seed(seed);
    m_rowClock->setInterval(Scoring::kRowInterval);
    m_columnClock->setInterval(Scoring::kColumnInterval);
}

void Game::setField(const Field &field) {
    m_field = field;
    emit fieldReset();
}

void Game::start() {
    m_over = false;
    resume();
}

void Game::resume() {
    if (m_over || m_paused || m_heldUnderWindow || m_stopped)
        return;
    m_launchSquaresEnabled = true;
    m_rowClock->setEnabled(true);
    m_columnClock->setEnabled(true);
    rowTick();
}

void Game::hold() {
    m_launchSquaresEnabled = false;
    m_rowClock->setEnabled(false);
    m_columnClock->setEnabled(false);
}

void Game::togglePause() {
    m_paused = !m_paused;
    emit pausedChanged(m_paused);
    holdIf(m_paused);
}

void Game::setMinimised(bool minimised) {
    m_minimised = minimised;
    holdIf(minimised); // an ended game stays ended: resume() refuses it
}

void Game::setHeldUnderWindow(bool held) {
    m_heldUnderWindow = held;
    holdIf(held);
}

void Game::holdIf(bool held) {
    if (held)
        hold();
    else
        resume();
}

void Game::stop() {
    m_stopped = true;
    hold();
}

Game::State Game::state() const {
    if (m_over)
        return State::Ended;
    if (m_paused)
        return State::Paused;
    if (m_launchSquaresEnabled)
        return State::Running;
    return m_minimised ? State::Minimised : State::Held;
}

void Game::rowTick() {
    // The shift lets events in after every copy. A tick arriving then, from the
    // clock or from resume(), must not start a second shift inside this one.
    if (m_rowShiftRunning)
        return;
    m_rowShiftRunning = true;
    const bool completed = m_field.shiftRow(
        [this](int square) {
            emit topSquareChanged(square);
            return m_letEventsRun();
        },
        [this] { return m_draw.next(); });
    if (completed)
        emit topSquareChanged(Field::kTopSquares - 1);
    m_rowShiftRunning = false;
}

void Game::columnTick() {
    if (m_field.anyColumnEmpty()) {
        end();
        return;
    }
    m_field.sink();
    emit columnsChanged();
}

void Game::sendBlockFrom(int square) {
    const int column = Field::columnUnder(square);
    if (column < 0 || !m_launchSquaresEnabled)
        return;
    const Field::Send sent = m_field.send(column);
    if (sent.outcome != Field::Send::Landed)
        return;
    emit topSquareChanged(square);
    emit columnsChanged();
    if (!sent.rightColour) {
        end();
        return;
    }
    m_score = qMin(int(std::numeric_limits<qint16>::max()),
                   m_score + Scoring::pointsFor(sent.restingRow));
    if (m_score > m_threshold)
        raiseLevel();
    emit scoreChanged(m_score);
}

void Game::raiseLevel() {
    ++m_level;
    emit levelChanged(m_level);
    m_threshold = Scoring::nextThreshold(qint16(m_threshold), m_level);
    m_rowClock->setInterval(Scoring::nextInterval(m_rowClock->interval()));
    m_columnClock->setInterval(Scoring::nextInterval(m_columnClock->interval()));
}

void Game::end() {
    m_over = true;
    hold();
    emit ended(m_score);
}
