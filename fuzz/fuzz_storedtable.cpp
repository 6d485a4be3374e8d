// libFuzzer target: any stored score table either loads or is refused, and one that
// loads saves back to exactly the value it was loaded from.
#include "rules/scores/Cp1250.h"
#include "rules/scores/StoredTable.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void printCodes(const char *label, const QString &text) {
    std::fprintf(stderr, "%s (%lld):", label, static_cast<long long>(text.size()));
    for (const QChar c : text)
        std::fprintf(stderr, " %04x", c.unicode());
    std::fprintf(stderr, "\n");
}

// A value the game accepts is one it could have written: if saving the loaded
// table gave anything else, the next start would read a different table, or
// a check that passed once would fail after the next save.
void loadAndSaveBack(const QString &stored) {
    const std::optional<ScoreTable> table = StoredTable::decode(stored);
    if (!table)
        return;
    const QString saved = StoredTable::encode(*table);
    if (saved == stored)
        return;
    std::fprintf(stderr, "A loaded table does not save back to the value it came from.\n");
    printCodes("stored", stored);
    printCodes("saved ", saved);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // What the game itself would find in the settings: one Windows-1250 byte
    // per character.
    loadAndSaveBack(cp1250::decode(QByteArrayView(data, static_cast<qsizetype>(size))));

    // What a hand-edited settings file can hold: any UTF-16 code units, lone
    // surrogates and characters outside the code page included. Copied, as
    // the input bytes need not be aligned for char16_t.
    QString units(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    if (!units.isEmpty())
        std::memcpy(units.data(), data, static_cast<std::size_t>(units.size()) * sizeof(QChar));
    loadAndSaveBack(units);
    return 0;
}
