// libFuzzer target: any table the game can make loads back from the value it saves.
#include "rules/scores/Cp1250.h"
#include "rules/scores/StoredTable.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

void printCodes(const char *label, const QString &text) {
    std::fprintf(stderr, "%s (%lld):", label, static_cast<long long>(text.size()));
    for (const QChar c : text)
        std::fprintf(stderr, " %04x", c.unicode());
    std::fprintf(stderr, "\n");
}

} // namespace

// Results put in as the game puts them: names the name box lets through, any
// 16-bit score, up to seven of them so places drop out too. Saving and loading
// must give the same table, or a record would vanish at the next start.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ScoreTable table;
    const int results = input.ConsumeIntegralInRange(0, 7);
    for (int i = 0; i < results; ++i) {
        const auto score = input.ConsumeIntegral<qint16>();
        const std::string raw = input.ConsumeRandomLengthString(40);
        const QString name =
            cp1250::decode(QByteArrayView(raw.data(), static_cast<qsizetype>(raw.size())));
        if (ScoreTable::isStorableName(name))
            table.insert(name, score);
    }
    const QString saved = StoredTable::encode(table);
    const std::optional<ScoreTable> loaded = StoredTable::decode(saved);
    if (loaded && *loaded == table)
        return 0;
    std::fprintf(stderr, "A table the game made does not load back from what it saved.\n");
    printCodes("saved", saved);
    std::abort();
}
