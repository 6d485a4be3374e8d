// The form body byte for byte as a browser builds it for a windows-1250 page.
#include "rules/web/FormBody.h"

#include "rules/scores/Cp1250.h"

namespace FormBody {

namespace {

// The bytes the urlencoded serializer leaves as they are.
bool staysAsIs(char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 'a' && byte <= 'z') || byte == '*' || byte == '-' || byte == '.' || byte == '_';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The code page bytes of a value; a character outside it becomes a numeric
// reference, which is plain ASCII and so encodes like typed text.
QByteArray codePageBytes(QStringView value) {
    QByteArray bytes;
    bytes.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        char32_t codePoint = c.unicode();
        if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(c, value[i + 1]);
            ++i;
        } else if (c.isSurrogate()) {
            // A browser's form value never holds half a pair: it became U+FFFD.
            codePoint = QChar::ReplacementCharacter;
        } else if (cp1250::canEncode(c)) {
            bytes += cp1250::encode(QStringView(&c, 1));
            continue;
        }
        bytes += "&#" + QByteArray::number(quint32(codePoint)) + ';';
    }
    return bytes;
}

// Turns the references "&#N;" back into their characters. A name the game
// keeps has no ";" (the stored table forbids it), so every reference in a
// body the game sent was made by codePageBytes, never typed.
QString resolveReferences(const QString &text) {
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) == u'&' && i + 1 < text.size() && text.at(i + 1) == u'#') {
            qsizetype end = i + 2;
            char32_t codePoint = 0;
            bool inRange = true;
            while (end < text.size() && text.at(end).isDigit() && text.at(end).unicode() < 128) {
                codePoint = codePoint * 10 + (text.at(end).unicode() - u'0');
                inRange = inRange && codePoint <= 0x10FFFF;
                ++end;
            }
            const bool digits = end > i + 2;
            if (digits && inRange && end < text.size() && text.at(end) == u';' &&
                !QChar::isSurrogate(codePoint)) {
                // Appended by hand: Qt's UTF-32 decoding would take a
                // U+FEFF at the start for a byte order mark and drop it.
                if (QChar::requiresSurrogates(codePoint)) {
                    out += QChar(QChar::highSurrogate(codePoint));
                    out += QChar(QChar::lowSurrogate(codePoint));
                } else {
                    out += QChar(char16_t(codePoint));
                }
                i = end + 1;
                continue;
            }
        }
        out += text.at(i);
        ++i;
    }
    return out;
}

std::optional<QByteArray> percentDecode(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char b = bytes[i];
        if (b == '+') {
            out += ' ';
        } else if (b == '%') {
            if (i + 2 >= bytes.size())
                return std::nullopt;
            const int high = hexValue(bytes[i + 1]);
            const int low = hexValue(bytes[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += b;
        }
    }
    return out;
}

} // namespace

QByteArray encodeValue(QStringView value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char byte : codePageBytes(value)) {
        if (staysAsIs(byte)) {
            out += byte;
        } else if (byte == ' ') {
            out += '+';
        } else {
            const auto u = static_cast<unsigned char>(byte);
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

QByteArray build(const ScoreTable &table) {
    // No markup is built: a name with quotes, brackets or ampersands goes out
    // exactly as typed and cannot break out of the form the way it could when
    // names were written into a page's markup.
    QByteArray body;
    for (int i = 0; i < ScoreTable::kEntries; ++i) {
        const ScoreEntry &e = table.entry(i);
        if (i > 0)
            body += '&';
        body += kFieldNames[2 * i];
        body += '=';
        body += encodeValue(e.name);
        body += '&';
        body += kFieldNames[2 * i + 1];
        body += '=';
        // The score board takes a score as this game writes it: an earlier
        // game's "0120" goes out as "120".
        body += encodeValue(e.score ? QString::number(e.score->value()) : QString());
    }
    return body;
}

std::optional<Fields> decode(QByteArrayView body) {
    Fields fields;
    if (body.isEmpty())
        return fields;
    qsizetype start = 0;
    while (start <= body.size()) {
        qsizetype end = body.indexOf('&', start);
        if (end < 0)
            end = body.size();
        const QByteArrayView pair = body.sliced(start, end - start);
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            return std::nullopt;
        const auto name = percentDecode(pair.first(equals));
        const auto value = percentDecode(pair.sliced(equals + 1));
        if (!name || !value)
            return std::nullopt;
        fields.append({*name, resolveReferences(cp1250::decode(*value))});
        start = end + 1;
    }
    return fields;
}

} // namespace FormBody
