// The clock of the game: the timer rules the row and column clocks rely on.
#pragma once

#include "rules/game/GameClock.h"

#include <QTimer>

// Ticks once per interval while enabled. Unlike a bare QTimer:
//  - an interval of 0 means no ticks at all (a QTimer would fire continuously);
//  - enabling an enabled timer changes nothing (QTimer::start() would restart it);
//  - a fresh enable, or a new interval while enabled, starts a full period.
class GameTimer : public GameClock {
    Q_OBJECT
public:
    explicit GameTimer(QObject *parent = nullptr);

    int interval() const override { return m_interval; }
    void setInterval(int milliseconds) override;

    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override;

    // Enabled with a non-zero interval: the timer will tick.
    bool isTicking() const { return m_timer.isActive(); }
    // Milliseconds to the next tick, -1 when none is due.
    int remainingTime() const { return m_timer.remainingTime(); }

private:
    void startPeriod();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};
