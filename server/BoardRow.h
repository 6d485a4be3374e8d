// A result as the score board keeps it.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace skore {

// One result of one player: the name exactly as typed in the game and the
// score. The board keeps each (name, score) once.
struct Result {
    QString name;
    int score = 0;

    bool operator==(const Result &) const = default;
};

// A result on the board with the moment it first arrived (seconds since the
// Unix epoch, UTC).
struct BoardRow {
    QString name;
    int score = 0;
    qint64 firstSeen = 0;

    bool operator==(const BoardRow &) const = default;
};

using Results = QList<Result>;
using BoardRows = QList<BoardRow>;

} // namespace skore
