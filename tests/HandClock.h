// A clock of the game that ticks when the test or benchmark says so, and only
// when a real timer would: while the game has it on, with an interval.
#pragma once

#include "rules/game/Game.h"

class HandClock : public GameClock {
public:
    int interval() const override { return m_interval; }
    void setInterval(int milliseconds) override { m_interval = milliseconds; }
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }

    // False when the clock is off, so nothing ticked.
    bool tick() {
        if (!m_enabled || m_interval <= 0)
            return false;
        emit timeout();
        return true;
    }

    // A game's two clocks, both ticked by hand through `row` and `column`.
    static Game::Clocks pair(HandClock *&row, HandClock *&column) {
        auto rowClock = std::make_unique<HandClock>(), columnClock = std::make_unique<HandClock>();
        row = rowClock.get();
        column = columnClock.get();
        return {std::move(rowClock), std::move(columnClock)};
    }

private:
    int m_interval = 0;
    bool m_enabled = false;
};
