// The player's settings entry that keeps the stored score table.
#pragma once

#include <QString>

// The stored table lives in the per-user settings of "Toquel" under
// "Skore/HiSkore" (on Linux in $XDG_CONFIG_HOME/Toquel/Toquel.conf).
class ScoreStore {
public:
    // The stored value; empty when none was ever written. A value of another
    // kind (a list, bytes), which the game never writes, reads as empty too,
    // so the loader takes it for damaged.
    QString read() const;

    // Stores the value and flushes it to disk. False when it could not be
    // written, e.g. a read-only settings file or folder.
    bool write(const QString &value);
};
