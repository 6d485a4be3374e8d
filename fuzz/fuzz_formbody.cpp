// libFuzzer target: the form body built from any five names and scores decodes
// back to them, and no body at all crashes the decoder.
//
// The property checked for a body built from a table:
//  - it is plain application/x-www-form-urlencoded ASCII: letters, digits and
//    * - . _ + % & = only;
//  - FormBody::decode gives exactly ten pairs named N1, S1, ..., N5, S5;
//  - each score is its plain decimal number, leading zeros of an earlier
//    game's table dropped, or empty for a free place;
//  - each name is the text it was built from, where a lone surrogate half
//    stands for U+FFFD (a browser sends no half pair). A character with a
//    Windows-1250 byte travels as that byte; one without travels as "&#N;" and
//    decodes back to the character. Texts that hold a reference of their own
//    ("&#" digits ";") are left out of the comparison: the body cannot tell a
//    typed reference from one the code page forced, in a browser either.
#include "rules/scores/Cp1250.h"
#include "rules/web/FormBody.h"

#include <QRegularExpression>
#include <QString>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

constexpr int kFields = 2 * ScoreTable::kEntries;

[[noreturn]] void fail(const char *what, int field = -1) {
    std::fprintf(stderr, "%s (field %d)\n", what, field);
    std::abort();
}

void printCodes(const char *label, const QString &text) {
    std::fprintf(stderr, "%s (%lld):", label, static_cast<long long>(text.size()));
    for (const QChar c : text)
        std::fprintf(stderr, " %04x", c.unicode());
    std::fprintf(stderr, "\n");
}

// Three ways to read the fuzzer's bytes as a text: typed in the code page,
// pasted UTF-8 (anything Unicode has), or raw UTF-16 code units (half pairs).
QString textOf(int how, const std::string &raw) {
    switch (how) {
    case 0:
        return cp1250::decode(QByteArrayView(raw.data(), static_cast<qsizetype>(raw.size())));
    case 1:
        return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    default: {
        QString units(static_cast<qsizetype>(raw.size() / 2), Qt::Uninitialized);
        if (!units.isEmpty())
            std::memcpy(units.data(), raw.data(), static_cast<std::size_t>(units.size()) * 2);
        return units;
    }
    }
}

QString withoutHalfPairs(const QString &text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate()) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += c;
        }
    }
    return out;
}

bool holdsReference(const QString &text) {
    static const QRegularExpression reference(QStringLiteral("&#[0-9]+;"));
    return text.contains(reference);
}

bool isFormAscii(const QByteArray &body) {
    for (const char b : body) {
        const bool ok = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
                        (b >= 'a' && b <= 'z') || b == '*' || b == '-' || b == '.' || b == '_' ||
                        b == '+' || b == '%' || b == '&' || b == '=';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // Any bytes as a body, as the score board server receives them: decoded
    // or refused, never a crash.
    (void)FormBody::decode(QByteArrayView(data, static_cast<qsizetype>(size)));

    FuzzedDataProvider input(data, size);
    std::array<QString, kFields> texts; // what each field should read back as
    ScoreTable table;
    for (int place = 0; place < ScoreTable::kEntries; ++place) {
        const int how = input.ConsumeIntegralInRange(0, 2);
        ScoreEntry entry{textOf(how, input.ConsumeRandomLengthString(80)), std::nullopt};
        if (input.ConsumeBool())
            entry.score = Score(input.ConsumeIntegral<qint16>(), input.ConsumeIntegral<quint8>(),
                                input.ConsumeBool());
        texts[static_cast<std::size_t>(2 * place)] = entry.name;
        texts[static_cast<std::size_t>(2 * place + 1)] =
            entry.score ? QString::number(entry.score->value()) : QString();
        table.setEntry(place, std::move(entry));
    }

    const QByteArray body = FormBody::build(table);
    if (!isFormAscii(body))
        fail("the body has a byte that form encoding never leaves as it is");
    const std::optional<FormBody::Fields> fields = FormBody::decode(body);
    if (!fields)
        fail("the body the game built does not decode");
    if (fields->size() != kFields)
        fail("the body does not decode to ten fields");
    for (int i = 0; i < kFields; ++i) {
        const FormBody::Field &field = fields->at(i);
        if (field.first != FormBody::kFieldNames[static_cast<std::size_t>(i)])
            fail("a field has the wrong name", i);
        const QString expected = withoutHalfPairs(texts[static_cast<std::size_t>(i)]);
        if (holdsReference(expected))
            continue;
        if (field.second != expected) {
            printCodes("sent    ", expected);
            printCodes("received", field.second);
            fail("a value does not come back as it was sent", i);
        }
    }
    return 0;
}
