// The player's settings entry that keeps the stored score table.
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QLockFile;

// The stored table lives in the per-user settings of "Toquel" under
// "Skore/HiSkore" (on Linux in $XDG_CONFIG_HOME/Toquel/Toquel.conf).
class ScoreStore {
public:
    // Settings files the game writes are a few hundred bytes; anything far
    // larger is not ours, and is neither parsed nor kept.
    static constexpr qint64 kMaxFileSize = 1 << 20;

    // The stored value; empty when none was ever written, or when the entry
    // holds something the game never writes (a list, bytes, a huge file),
    // which the loader then takes for damaged. nullopt when the settings
    // file exists but cannot be read at all: then nothing may be written
    // over it either, since what it holds is unknown.
    std::optional<QString> read() const;

    // Stores the value and flushes it to disk. False when it could not be
    // written, e.g. a read-only settings file or folder. A settings file the
    // game cannot read or cannot write is never removed or replaced; one it
    // can is, when it is far too large or holds no settings at all.
    bool write(const QString &value);

    // A lock shared by every running copy of the game, held while one of them
    // reads, changes and writes the table, so that no update is lost. Empty
    // when the lock could not be had in time (the update then goes ahead).
    std::unique_ptr<QLockFile> lock() const;

    // Where the settings file is, for messages and tests.
    static QString fileName();
    // Where the lock is: the game's per-user data folder, on every platform.
    static QString lockFileName();
};
