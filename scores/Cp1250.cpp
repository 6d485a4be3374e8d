// Windows-1250 through Qt's converters, so no code page table lives here.
#include "Cp1250.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace cp1250 {

namespace {
constexpr char kCodecName[] = "windows-1250";
} // namespace

bool canEncode(QChar c) {
    return canEncode(QStringView(&c, 1));
}

bool canEncode(QStringView text) {
    bool ok = false;
    encode(text, &ok);
    return ok;
}

QByteArray encode(QStringView text, bool *ok) {
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    // The converter quietly writes a substitute byte for a character it
    // cannot map, and may drop a lone surrogate, so the count and the way
    // back are checked too: a name must come back exactly as it was typed.
    const bool good = encoder.isValid() && !encoder.hasError() && bytes.size() == text.size() &&
                      decode(bytes) == text;
    if (ok)
        *ok = good;
    return good ? bytes : QByteArray();
}

QString decode(QByteArrayView bytes) {
    QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace cp1250
