#include "rules/game/Scoring.h"

#include <cmath>
#include <limits>

qint16 Scoring::nextThreshold(qint16 threshold, int newLevel) {
    // std::nearbyint rounds half to even in the default rounding mode.
    const double next = std::nearbyint(double(threshold) / newLevel + threshold);
    // The score can never come near the 16-bit limit; hold the threshold there.
    return qint16(std::min(next, double(std::numeric_limits<qint16>::max())));
}

QString Scoring::formatScore(int score) {
    QString digits = QString::number(score).rightJustified(5, QLatin1Char('0'));
    digits.insert(digits.size() - 3, QLatin1Char(' '));
    return digits;
}

QString Scoring::formatLevel(int level) {
    return QString::number(level).rightJustified(2, QLatin1Char('0'));
}
