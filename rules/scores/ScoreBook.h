// The score table of the run together with the place it is kept.
#pragma once

#include "rules/scores/ScoreStore.h"
#include "rules/scores/ScoreTable.h"

#include <functional>
#include <vector>

// What the main window does when it loads and saves the results, minus the
// message boxes: the window asks what happened and tells the player.
class ScoreBook {
public:
    enum class Load {
        Loaded,
        Damaged,     // the table is now empty and stored so (when the store takes it)
        Unavailable, // the settings file cannot be read, or the store failed before and
                     // still holds nothing usable: the table of this run stands, so no
                     // result of the run is lost
    };

    using Change = std::function<void(ScoreTable &)>;

    // The change that enters a finished game's result. It enters only when it
    // still earns a place in the table it is applied to: after a reload that is
    // the table as stored now, where another copy of the game may have filled
    // the last place meanwhile.
    static Change entering(const QString &name, qint16 score);

    ScoreTable &table() { return m_table; }
    const ScoreTable &table() const { return m_table; }

    // Reads the stored table. A missing or damaged one is replaced by an
    // empty table, which is saved at once so the damage is reported once.
    // A settings file that cannot be read at all is not written over: the
    // table of the run stands and the save counts as failed. Changes the
    // store has not taken yet are made again on the table read.
    Load load();

    // Whether load() would report the stored table damaged, found without
    // changing anything, so the player can be told before the lock is taken.
    bool storedTableDamaged() const;

    // Stores the table. False when the value could not be written; the table
    // in memory stays as it is.
    bool save();
    bool lastSaveFailed() const { return m_lastSaveFailed; }

    // Changes the table and saves it as one step that no other running copy
    // of the game can come between. With reloadFirst, the stored table is
    // read again first, so a record joins the table as it is now, not as it
    // was when this game loaded it.
    Load update(const Change &change, bool reloadFirst);

private:
    ScoreTable m_table;
    ScoreStore m_store;
    bool m_lastSaveFailed = false;
    // Made on the table since it was last saved: kept while the store fails.
    std::vector<Change> m_unsaved;
};
