// Windows-1250 through a table that the build reads from Qt's converter, so no
// code page table is typed here and none is opened when the game starts.
#include "rules/scores/Cp1250.h"

#include "rules/scores/Cp1250Table.h"

#include <algorithm>
#include <iterator>

namespace cp1250 {

namespace {

// The byte of a character, or -1 when the code page has none. The table has
// 128 entries and names run to 29 characters: a search is plenty.
int byteOf(char16_t c) {
    if (c < 0x80)
        return c;
    const auto *found = std::find(std::begin(kUpperHalf), std::end(kUpperHalf), c);
    return found == std::end(kUpperHalf) ? -1 : int(0x80 + (found - std::begin(kUpperHalf)));
}

} // namespace

bool canEncode(QChar c) {
    return byteOf(c.unicode()) >= 0;
}

bool canEncode(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return canEncode(c); });
}

QByteArray encode(QStringView text, bool *ok) {
    // A character without a byte fails the whole text, as does half of a
    // surrogate pair (no byte decodes to one): a name must come back exactly
    // as it was typed.
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = byteOf(text[i].unicode());
        if (byte < 0) {
            if (ok)
                *ok = false;
            return {};
        }
        bytes[i] = static_cast<char>(byte);
    }
    if (ok)
        *ok = true;
    return bytes;
}

QString decode(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        *out++ = QChar(byte < 0x80 ? char16_t(byte) : kUpperHalf[byte - 0x80]);
    }
    return text;
}

} // namespace cp1250
