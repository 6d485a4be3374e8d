// Writing and reading the stored score table.
#include "StoredTable.h"

#include "Cp1250.h"

#include <QRegularExpression>
#include <limits>

namespace StoredTable {

namespace {

constexpr char kSeparator = ';';
constexpr int kFields = 2 * ScoreTable::kEntries;

// The value of a score text when it is a decimal integer (an optional "-"
// and digits); nothing otherwise. Range is left to the caller.
std::optional<qint64> decimalValue(const QString &text) {
    // Fully anchored: "$" alone would let a final line break through.
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern(QStringLiteral("-?[0-9]+")));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// A score text exactly as the game writes it: no "+", no leading zeros,
// within the 16-bit range.
bool isCanonicalScore(const QString &text) {
    static const QRegularExpression canonical(
        QRegularExpression::anchoredPattern(QStringLiteral("-?(0|[1-9][0-9]*)")));
    if (!canonical.match(text).hasMatch())
        return false;
    const std::optional<qint64> value = decimalValue(text);
    return value && *value >= std::numeric_limits<qint16>::min() &&
           *value <= std::numeric_limits<qint16>::max();
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
        text += table.entry(i).score;
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
    // A running sum kept as text. A score that is no number, or one that
    // would carry the sum out of 16 bits, is passed over the same way on
    // saving and on loading, so whatever the game saves loads again.
    qint64 sum = 0;
    for (int i = 0; i < ScoreTable::kEntries; ++i) {
        const QString &score = table.entry(i).score;
        if (score.isEmpty())
            continue;
        const std::optional<qint64> value = decimalValue(score);
        if (!value)
            continue;
        const qint64 next = sum + *value;
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
    QByteArray stored = scramble(plainText(table));
    stored.append(static_cast<char>(checkCode(table)));
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
        ScoreEntry entry{cp1250::decode(fields[i]),
                         cp1250::decode(fields[i + ScoreTable::kEntries])};
        if (entry.name.size() > ScoreTable::kMaxNameLength)
            return std::nullopt;
        if (!entry.score.isEmpty() && !isCanonicalScore(entry.score))
            return std::nullopt;
        table.setEntry(i, std::move(entry));
    }
    if (checkCode(table) != storedCheck)
        return std::nullopt;
    return table;
}

} // namespace StoredTable
