// The numbers of a game: points, levels, clock speeds and how they are shown.
#pragma once

#include <QString>

namespace Scoring {

constexpr int kRowInterval = 750;       // ms between row-clock ticks at level 0
constexpr int kColumnInterval = 10000;  // ms between column-clock ticks at level 0
constexpr qint16 kFirstThreshold = 200; // the score to exceed for level 1

// A block resting on `row` of its column scores the blocks already there.
constexpr int pointsFor(int restingRow) {
    return 12 - restingRow;
}

// The next threshold after reaching `newLevel`: threshold / level + threshold,
// rounded half to even; 200 points more at every level.
qint16 nextThreshold(qint16 threshold, int newLevel);

// Nine tenths of an interval, cut to whole milliseconds.
constexpr int nextInterval(int milliseconds) {
    return milliseconds * 9 / 10;
}

// "00 000": at least five digits, a space before the last three.
QString formatScore(int score);
// "00": at least two digits.
QString formatLevel(int level);

} // namespace Scoring
