// Writing and reading the stored score table.
#include "rules/scores/StoredTable.h"

#include "rules/scores/Cp1250.h"

#include <QList>
#include <algorithm>
#include <limits>

namespace StoredTable {

namespace {

constexpr char kSeparator = ';';
constexpr int kFields = 2 * ScoreTable::kEntries;

// The score a stored field holds: an optional "-" and decimal digits, within
// 16 bits; nothing otherwise. The earlier game read scores as numbers, so a
// field with leading zeros ("0120") is a score too, and keeps them.
std::optional<Score> scoreFrom(QByteArrayView field) {
    const bool minus = field.startsWith('-');
    const QByteArrayView digits = field.sliced(minus ? 1 : 0);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    // The zeros before the number's own digits; a zero keeps its one digit.
    qsizetype zeros = 0;
    while (zeros + 1 < digits.size() && digits[zeros] == '0')
        ++zeros;
    const QByteArrayView own = digits.sliced(zeros);
    if (own.size() > 5)
        return std::nullopt;
    const int value = minus ? -own.toInt() : own.toInt();
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    static_assert(kMaxStoredLength <= std::numeric_limits<quint8>::max());
    return Score(qint16(value), quint8(zeros), minus);
}

// The earlier game let a name be as long as the stored value allowed; such a
// name loads and is kept, but a table that has grown past the longest value
// (a new record beside long old names) sheds characters from the ends of the
// longest old names until it fits again. Names typed here are never cut:
// five of them always fit.
ScoreTable fittedToStore(ScoreTable table) {
    constexpr int kMaxPlain = kMaxStoredLength - 1;
    qsizetype excess = plainText(table).size() - kMaxPlain;
    while (excess > 0) {
        int longest = 0;
        for (int i = 1; i < ScoreTable::kEntries; ++i)
            if (table.entry(i).name.size() > table.entry(longest).name.size())
                longest = i;
        ScoreEntry entry = table.entry(longest);
        if (entry.name.size() <= ScoreTable::kMaxNameLength)
            break; // cannot happen: five typed names and scores fit
        entry.name.chop(1);
        table.setEntry(longest, std::move(entry));
        --excess;
    }
    return table;
}

int digitValue(QChar c) {
    return c.isDigit() ? c.digitValue() : 0;
}

} // namespace

QByteArray plainText(const ScoreTable &table) {
    QString text;
    for (int i = 0; i < ScoreTable::kEntries; ++i)
        text += table.entry(i).name + QLatin1Char(kSeparator);
    for (int i = 0; i < ScoreTable::kEntries; ++i) {
        text += table.entry(i).scoreText();
        if (i + 1 < ScoreTable::kEntries)
            text += QLatin1Char(kSeparator);
    }
    // The name dialogue should only let code page characters in; should one
    // slip through, the table still has to save and load again.
    for (QChar &c : text) {
        if (!cp1250::canEncode(c))
            c = QLatin1Char('?');
    }
    return cp1250::encode(text);
}

QByteArray scramble(QByteArray bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ ((i + 1 + 67) & 0xFF));
    return bytes;
}

int checkCode(const ScoreTable &table) {
    // A running sum of 16 bits. A score that would carry it out of them is
    // passed over the same way on saving and on loading, so whatever the game
    // saves loads again.
    int sum = 0;
    for (int i = 0; i < ScoreTable::kEntries; ++i) {
        const std::optional<Score> &score = table.entry(i).score;
        if (!score)
            continue;
        const int next = sum + score->value();
        if (next < std::numeric_limits<qint16>::min() || next > std::numeric_limits<qint16>::max())
            continue;
        sum = next;
    }
    const QString digest = QString::number(sum);
    if (digest.size() == 1)
        return digitValue(digest[0]);
    return digitValue(digest[0]) ^ digitValue(digest[1]);
}

QString encode(const ScoreTable &table) {
    const ScoreTable fitted = fittedToStore(table);
    QByteArray stored = scramble(plainText(fitted));
    stored.append(static_cast<char>(checkCode(fitted)));
    return cp1250::decode(stored);
}

std::optional<ScoreTable> decode(const QString &stored) {
    if (stored.isEmpty() || stored.size() > kMaxStoredLength)
        return std::nullopt;
    bool ok = false;
    const QByteArray bytes = cp1250::encode(stored, &ok);
    if (!ok)
        return std::nullopt;

    const int storedCheck = static_cast<unsigned char>(bytes.back());
    const QByteArray plain = scramble(bytes.chopped(1));

    // The first nine separators cut the ten fields; anything after the ninth,
    // separators included, is the last score.
    QList<QByteArray> fields;
    qsizetype start = 0;
    for (int k = 1; k < kFields; ++k) {
        const qsizetype end = plain.indexOf(kSeparator, start);
        if (end < 0)
            return std::nullopt;
        fields.append(plain.mid(start, end - start));
        start = end + 1;
    }
    fields.append(plain.mid(start));

    ScoreTable table;
    for (int i = 0; i < ScoreTable::kEntries; ++i) {
        ScoreEntry entry{cp1250::decode(fields[i]), std::nullopt};
        const QByteArray &score = fields[i + ScoreTable::kEntries];
        if (!score.isEmpty()) {
            entry.score = scoreFrom(score);
            if (!entry.score)
                return std::nullopt;
        }
        table.setEntry(i, std::move(entry));
    }
    if (checkCode(table) != storedCheck)
        return std::nullopt;
    return table;
}

} // namespace StoredTable
