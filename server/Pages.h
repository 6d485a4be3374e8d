// The score board's pages: the world ranking, the game's "OK " answer and error pages.
#pragma once

#include "server/BoardRow.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTimeZone>
#include <string>

namespace skore::pages {

// How many results the ranking shows.
inline constexpr int kBoardSize = 100;

struct RankedRow {
    int rank = 0;
    BoardRow row;
};

// Ranks rows that come best first. Equal scores share a rank and the next
// score skips the shared places (1, 2, 2, 4): a player who ties is as good as
// the one above; the earlier of the tied results is listed first.
QList<RankedRow> rank(const BoardRows &rows);

// "6. 12. 2026", the way a Czech reader writes a day.
QString czechDate(QDate day);

// The day a result was first seen, on the clock of the players the board is for.
QDate dayOf(qint64 firstSeen, const QTimeZone &zone);

// The board's time zone: Prague; UTC where the system has no zone data.
QTimeZone boardZone();

// The whole ranking page, UTF-8, no scripts, nothing loaded from elsewhere.
std::string board(const BoardRows &rows, const QTimeZone &zone);

// The reply the game waits for: a page whose body's content is exactly "OK ".
// Nothing follows "</html>": an HTML parser would move it into the body.
std::string ok();

// A page that tells the player what went wrong.
std::string error(const QString &title, const QString &message);

} // namespace skore::pages
