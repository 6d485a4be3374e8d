#include "rules/game/GameTimer.h"

GameTimer::GameTimer(QObject *parent) : GameClock(parent) {
    // The game's intervals are short and matter to the player: no coarse slack.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &GameTimer::timeout);
}

void GameTimer::setInterval(int milliseconds) {
    m_interval = qMax(0, milliseconds);
    if (m_enabled)
        startPeriod();
}

void GameTimer::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_enabled)
        startPeriod();
    else
        m_timer.stop();
}

void GameTimer::startPeriod() {
    if (m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}
