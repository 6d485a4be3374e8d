// Reading the form the game posts: which results it brings, or why it is refused.
#pragma once

#include "rules/scores/ScoreTable.h"
#include "server/BoardRow.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace skore {

// A post is all or nothing: one bad place refuses the whole table, so a
// player never sees half of a table on the board.
struct Submission {
    enum class Outcome {
        Accepted, // results holds every result of the table (none for an empty table)
        TooLarge, // over kMaxBodyBytes; nothing read
        Refused,  // reason says, in Czech, what was wrong
    };

    static constexpr qsizetype kMaxBodyBytes = 8 * 1024;
    static constexpr int kMinScore = 1;
    static constexpr int kMaxScore = 32767;
    static constexpr int kMaxNameLength = ScoreTable::kMaxNameLength;

    Outcome outcome = Outcome::Refused;
    Results results;
    QString reason;

    bool accepted() const { return outcome == Outcome::Accepted; }

    // Decodes the body with the game's own form codec and checks every field.
    static Submission parse(QByteArrayView body);
};

// A score as the game writes it: plain decimal digits, no sign, no leading
// zero, from kMinScore to kMaxScore.
std::optional<int> parseScore(QStringView text);

// A name of 1 to kMaxNameLength characters (code points) that shows what it
// is: no control, format, private-use, unassigned, line or paragraph
// separator characters, nothing drawn as nothing (default-ignorable code
// points, Hangul fillers, the braille blank), at most two combining marks on
// one letter, and something visible. Spaces count as characters: the game
// keeps a name of spaces (and of no-break spaces), so such a name passes.
bool isAcceptableName(QStringView name);

} // namespace skore
