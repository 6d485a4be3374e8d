// The stored form of the score table: a lightly scrambled text with a check character.
#pragma once

#include "rules/scores/ScoreTable.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The table is kept as one text: the ten fields joined with ";" (the five
// names, then the five scores), each character taken as its Windows-1250
// byte, each byte scrambled by its position, and one check character, a
// digest of the scores, at the end. The scramble keeps casual editors out;
// the check makes an edited score show.
namespace StoredTable {

// The longest stored value the game can write: 188 scrambled bytes and the
// check character. Anything longer was not written by the game.
inline constexpr int kMaxStoredLength = 189;

// The ten fields joined with ";" as Windows-1250 bytes. A character with no
// byte in the code page is written as "?".
QByteArray plainText(const ScoreTable &table);

// Byte i (counted from 1) XOR (i + 67). Applying it twice gives the input.
QByteArray scramble(QByteArray bytes);

// The check code 0..15 of the table's scores.
int checkCode(const ScoreTable &table);

// The value to store: the scrambled plain text and the check character,
// each character the Windows-1250 decoding of one byte.
QString encode(const ScoreTable &table);

// The table a stored value holds, or nullopt when the value is damaged.
std::optional<ScoreTable> decode(const QString &stored);

} // namespace StoredTable
