// The body of the form post that sends the five best results to the score board.
#pragma once

#include "rules/scores/ScoreTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// What a browser sends for the score board's form: a windows-1250 page with
// ten text fields N1, S1, ... N5, S5 (a name and a score per place) and
// a submit button without a name. The score board server decodes with the
// same code, so both ends agree byte for byte.
namespace FormBody {

using Field = QPair<QByteArray, QString>;
using Fields = QList<Field>;

// The field names in the order the form lists them.
inline constexpr std::array<const char *, 2 * ScoreTable::kEntries> kFieldNames{
    "N1", "S1", "N2", "S2", "N3", "S3", "N4", "S4", "N5", "S5"};

// "N1=...&S1=...&...&S5=...": place i gives the name and the score (in
// decimal, without leading zeros) of table entry i-1; a free place gives two
// empty values.
QByteArray build(const ScoreTable &table);

// One value as application/x-www-form-urlencoded bytes: each character as its
// Windows-1250 byte, a character the code page lacks as the reference "&#N;"
// (N its decimal code point), then every byte but * - . _ and letters and
// digits as %XX, a space as "+".
QByteArray encodeValue(QStringView value);

// The name=value pairs of a body, in order, each value read back as the game
// wrote it: bytes through Windows-1250, references "&#N;" back to their
// characters. nullopt when the body is not one the game could have written:
// a pair without "=" or a "%" without two hex digits after it. An empty body
// has no pairs.
std::optional<Fields> decode(QByteArrayView body);

} // namespace FormBody
