// Windows-1250, the one-byte Central European code page of the stored table.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

// The stored score table and the score board speak Windows-1250: one byte per
// character, Czech letters included. Qt's converter gives the mapping; each of
// the 256 bytes decodes to one character and encodes back to the same byte.
namespace cp1250 {

// True when the character has a byte of its own in the code page.
bool canEncode(QChar c);
// True when every character of the text has a byte of its own.
bool canEncode(QStringView text);

// One byte per character. A character without a byte (or a half of a
// surrogate pair) fails the whole text: *ok is false and the result empty.
QByteArray encode(QStringView text, bool *ok = nullptr);

// One character per byte; never fails.
QString decode(QByteArrayView bytes);

} // namespace cp1250
