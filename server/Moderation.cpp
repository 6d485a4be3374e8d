#include "server/Moderation.h"

#include "server/Pages.h"
#include "server/Storage.h"

#include <QDateTime>
#include <QFile>

namespace skore {

namespace {

void print(std::FILE *stream, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

// In Czech quotes: a name with spaces at its ends is copied whole into remove.
QString quoted(const QString &name) {
    return u'„' + name + u'“';
}

} // namespace

int runModeration(const ServerOptions &options, std::FILE *out, std::FILE *err) {
    // A mistyped path would otherwise become a new, empty board.
    const bool missing = options.database.engine == DatabaseConfig::Engine::SQLite &&
                         !QFile::exists(options.database.sqlitePath);
    Storage storage(options.database);
    QString why = QStringLiteral("soubor neexistuje.");
    if (missing || !storage.open(&why)) {
        print(err, QStringLiteral("toquel-skore: databázi %1 nelze otevřít: %2\n")
                       .arg(options.database.describe(), why));
        return ExitDatabaseUnavailable;
    }
    if (options.command == Command::List) {
        const std::optional<BoardRows> rows = storage.best(options.listCount);
        if (!rows) {
            print(err, QStringLiteral("toquel-skore: výsledky nelze přečíst.\n"));
            return ExitDatabaseUnavailable;
        }
        const QTimeZone zone = pages::boardZone();
        for (const pages::RankedRow &r : pages::rank(*rows))
            print(out, QStringLiteral("%1. %2 %3 %4\n")
                           .arg(r.rank, 4)
                           .arg(r.row.score, 6)
                           .arg(pages::czechDate(pages::dayOf(r.row.firstSeen, zone)), 12)
                           .arg(quoted(r.row.name)));
        return ExitOk;
    }
    const std::optional<int> removed =
        storage.remove(options.removeName, options.removeScore, QDateTime::currentSecsSinceEpoch());
    if (!removed) {
        print(err, QStringLiteral("toquel-skore: výsledek nelze odebrat, databáze selhala.\n"));
        return ExitDatabaseUnavailable;
    }
    const QString result =
        QStringLiteral("%1 %2").arg(quoted(options.removeName)).arg(options.removeScore);
    if (*removed == 0) {
        print(err, QStringLiteral("toquel-skore: výsledek %1 na žebříčku není (jméno musí být "
                                  "přesně takové, jaké vypíše příkaz list).\n")
                       .arg(result));
        return ExitNotOnTheBoard;
    }
    print(out, QStringLiteral("Výsledek %1 je odebrán; běžící servery překreslí žebříček do "
                              "2 sekund.\n")
                   .arg(result));
    return ExitOk;
}

} // namespace skore
