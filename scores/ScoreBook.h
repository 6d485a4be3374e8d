// The score table of the run together with the place it is kept.
#pragma once

#include "ScoreStore.h"
#include "TabulkaSkore.h"

// What the main window does when it loads and saves the results, minus the
// message boxes: the window asks what happened and tells the player.
class ScoreBook {
public:
    enum class Load { Loaded, Damaged };

    TabulkaSkore &table() { return m_table; }
    const TabulkaSkore &table() const { return m_table; }

    // Reads the stored table. A missing or damaged one is replaced by an
    // empty table, which is saved at once so the damage is reported once.
    Load load();

    // Stores the table. False when the value could not be written; the table
    // in memory stays as it is.
    bool save();
    bool lastSaveFailed() const { return m_lastSaveFailed; }

private:
    TabulkaSkore m_table;
    ScoreStore m_store;
    bool m_lastSaveFailed = false;
};
