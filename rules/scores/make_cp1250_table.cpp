// Build tool: writes the upper half of Windows-1250 (bytes 0x80 to 0xFF) as a
// C++ table, read from Qt's own "windows-1250" converter, so the game converts
// without opening the converter (and the ICU data behind it) when it runs.
//   make_cp1250_table OUTPUT.h
// Fails the build when the converter is missing or is not one character a
// byte, the way back included: everything scores/Cp1250 relies on.
#include <QByteArray>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_cp1250_table OUTPUT.h\n");
        return 2;
    }
    QStringDecoder decoder("windows-1250", QStringConverter::Flag::Stateless);
    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    if (!decoder.isValid() || !encoder.isValid()) {
        std::fprintf(stderr, "make_cp1250_table: Qt has no windows-1250 converter here\n");
        return 1;
    }
    QByteArray table;
    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, static_cast<char>(b));
        const QString c = decoder.decode(byte);
        const bool oneCharacter = c.size() == 1 && !c[0].isSurrogate() && !decoder.hasError();
        const bool ascii = b < 0x80 ? c == QChar(b) : c[0].unicode() >= 0x80;
        if (!oneCharacter || !ascii || seen.contains(c[0].unicode()) ||
            QByteArray(encoder.encode(c)) != byte || encoder.hasError()) {
            std::fprintf(stderr, "make_cp1250_table: byte 0x%02X does not map to one character\n",
                         b);
            return 1;
        }
        seen.insert(c[0].unicode());
        if (b >= 0x80)
            table += QByteArray("    0x") + QByteArray::number(c[0].unicode(), 16).toUpper() +
                     (b % 8 == 7 ? ",\n" : ",");
    }
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "make_cp1250_table: cannot write %s\n", argv[1]);
        return 1;
    }
    out.write("// Written by scores/make_cp1250_table from Qt's windows-1250 converter.\n"
              "#pragma once\n\n"
              "namespace cp1250 {\n"
              "// The character of each byte from 0x80 up; the bytes below are ASCII.\n"
              "inline constexpr char16_t kUpperHalf[128] = {\n" +
              table.replace(",    ", ", ") + "};\n} // namespace cp1250\n");
    return out.error() == QFile::NoError ? 0 : 1;
}
