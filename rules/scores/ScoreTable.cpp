// Ranking rules of the score table, and how a score is written.
#include "rules/scores/ScoreTable.h"

#include "rules/scores/Cp1250.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

QString Score::text() const {
    const bool minus = m_value < 0 || m_minusOnZero;
    return QString(minus ? 1 : 0, u'-') + QString(m_leadingZeros, u'0') +
           QString::number(std::abs(int(m_value)));
}

bool ScoreTable::isStorableName(QStringView name) {
    // ";" would split the name into two fields when the table is read back; a
    // control character (a pasted tab or line break) has no place in a name,
    // nor an invisible format character (a soft hyphen), which the score board
    // refuses.
    const auto isControl = [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    };
    return name.size() <= kMaxNameLength && !name.contains(u';') &&
           std::none_of(name.begin(), name.end(), isControl) && cp1250::canEncode(name);
}

const ScoreEntry &ScoreTable::entry(int i) const {
    Q_ASSERT(i >= 0 && i < kEntries);
    return m_entries[static_cast<std::size_t>(i)];
}

void ScoreTable::setEntry(int i, ScoreEntry e) {
    Q_ASSERT(i >= 0 && i < kEntries);
    m_entries[static_cast<std::size_t>(i)] = std::move(e);
}

void ScoreTable::clear() {
    m_entries.fill(ScoreEntry{});
}

bool ScoreTable::insert(const QString &name, qint16 score) {
    ScoreEntry &last = m_entries.back();
    if (!last.isFree() && last.score->value() >= score)
        return false;
    // Longer names would not fit in the stored form.
    last = ScoreEntry{name.left(kMaxNameLength), score};
    // Bubble the new result up through free places and lower scores; a tie
    // stops it, so the older result keeps the better place.
    for (std::size_t j = kEntries - 1; j-- > 0;) {
        ScoreEntry &above = m_entries[j];
        if (!above.isFree() && above.score->value() >= score)
            break;
        std::swap(above, m_entries[j + 1]);
    }
    return true;
}

bool ScoreTable::isRecord(qint16 score) const {
    if (score <= 0)
        return false;
    const ScoreEntry &last = m_entries.back();
    return last.isFree() || last.score->value() < score;
}

QString ScoreTable::bestScoreText() const {
    return m_entries.front().scoreText();
}
