#include "server/ServerOptions.h"

#include "server/Submission.h"
#include "server/TrustedProxies.h"

namespace skore {

namespace {

std::optional<int> parseCount(const QString &text, int max) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > max)
        return std::nullopt;
    return value;
}

// "list [COUNT]" or "remove NAME SCORE" from arguments[*at] on; *at ends at
// the last argument taken. The name is taken as it is, also when it begins
// with "-": a player may be called so.
bool readCommand(const QStringList &arguments, qsizetype *at, ServerOptions *options,
                 QString *error) {
    const QString command = arguments[*at];
    const auto more = [&](qsizetype count) { return *at + count < arguments.size(); };
    if (command == QLatin1String("list")) {
        options->command = Command::List;
        if (more(1) && !arguments[*at + 1].startsWith(u'-')) {
            const std::optional<int> count = parseCount(arguments[++*at], 1000000);
            if (!count || *count == 0) {
                *error = QStringLiteral("Příkaz list chce počet výsledků od 1 výše, ne „%1“.")
                             .arg(arguments[*at]);
                return false;
            }
            options->listCount = *count;
        }
        return true;
    }
    if (command == QLatin1String("remove")) {
        const std::optional<int> score = more(2) ? parseScore(arguments[*at + 2]) : std::nullopt;
        if (!score) {
            *error = QStringLiteral("Příkaz remove chce jméno a skóre výsledku tak, jak je "
                                    "vypíše příkaz list (například remove \"Jan Novák\" 1200).");
            return false;
        }
        options->command = Command::Remove;
        options->removeName = arguments[*at + 1];
        options->removeScore = *score;
        *at += 2;
        return true;
    }
    *error = QStringLiteral("Neznámý příkaz „%1“: server zná příkazy list a remove; volby "
                            "vypíše --help.")
                 .arg(command);
    return false;
}

} // namespace

bool ServerOptions::parseAddress(const QString &text, QString *host, int *port) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QString h = text.left(colon);
    if (h.startsWith(u'[') && h.endsWith(u']'))
        h = h.mid(1, h.size() - 2);
    else if (h.contains(u':'))
        return false; // an IPv6 address needs its brackets to tell it from the port
    bool ok = false;
    const int p = text.mid(colon + 1).toInt(&ok);
    // An address to listen on, not a name to look up: what it resolves to
    // could change between starts.
    if (h.isEmpty() || !ok || p < 0 || p > 65535 || !TrustedProxies().add(h.toStdString()))
        return false;
    *host = h;
    *port = p;
    return true;
}

std::optional<ServerOptions> ServerOptions::parse(const QStringList &arguments, QString *error) {
    ServerOptions options;
    const auto fail = [error](const QString &why) -> std::optional<ServerOptions> {
        *error = why;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        std::optional<QString> inlineValue;
        if (name.startsWith(QLatin1String("--")) && name.contains(u'=')) {
            inlineValue = name.section(u'=', 1);
            name = name.section(u'=', 0, 0);
        }
        if (name == QLatin1String("-h") || name == QLatin1String("--help") ||
            name == QLatin1String("--napoveda")) {
            options.help = true;
            continue;
        }
        if (name == QLatin1String("--version")) {
            options.version = true;
            continue;
        }
        if (!name.startsWith(u'-') && options.command == Command::Serve) {
            if (!readCommand(arguments, &i, &options, error))
                return std::nullopt;
            continue;
        }
        const bool takesValue =
            name == QLatin1String("-l") || name == QLatin1String("--listen") ||
            name == QLatin1String("-d") || name == QLatin1String("--database") ||
            name == QLatin1String("--log-level") || name == QLatin1String("--rate-limit") ||
            name == QLatin1String("--threads") || name == QLatin1String("--trusted-proxy");
        if (!takesValue)
            return fail(QStringLiteral("Neznámá volba „%1“. Volby vypíše --help.").arg(name));
        if (!inlineValue && i + 1 >= arguments.size())
            return fail(QStringLiteral("Volba %1 potřebuje hodnotu.").arg(name));
        const QString value = inlineValue ? *inlineValue : arguments[++i];
        // Stores what was read from the value, or says why it could not be
        // read (`why` names the value as %1).
        const auto take = [&](const auto &read, auto &field, const QString &why) {
            if (!read)
                *error = why.arg(value);
            else
                field = *read;
            return bool(read);
        };

        if (name == QLatin1String("-l") || name == QLatin1String("--listen")) {
            if (!parseAddress(value, &options.host, &options.port))
                return fail(QStringLiteral("Adresa „%1“ není ve tvaru počítač:port "
                                           "s adresou IP (například 127.0.0.1:8080 nebo "
                                           "[::1]:8080).")
                                .arg(value));
        } else if (name == QLatin1String("-d") || name == QLatin1String("--database")) {
            QString why;
            const auto config = DatabaseConfig::fromArgument(value, &why);
            if (!config)
                return fail(why);
            options.database = *config;
        } else if (name == QLatin1String("--log-level")) {
            if (!take(log::levelFromName(value), options.logLevel,
                      QStringLiteral("Neznámá úroveň záznamu „%1“: zadejte error, "
                                     "warning, info nebo debug.")))
                return std::nullopt;
        } else if (name == QLatin1String("--rate-limit")) {
            if (!take(parseCount(value, 1000000), options.rateLimit,
                      QStringLiteral("Volba --rate-limit chce celé číslo od 0 "
                                     "(bez omezení) výše, ne „%1“.")))
                return std::nullopt;
        } else if (name == QLatin1String("--trusted-proxy")) {
            if (!TrustedProxies().add(value.toStdString()))
                return fail(QStringLiteral("Volba --trusted-proxy chce adresu IP proxy "
                                           "(například 127.0.0.1), ne „%1“.")
                                .arg(value));
            options.trustedProxies << value;
        } else {
            const std::optional<int> threads = parseCount(value, 1024);
            if (!take(threads == 0 ? std::nullopt : threads, options.threads,
                      QStringLiteral("Volba --threads chce celé číslo od 1 do 1024, "
                                     "ne „%1“.")))
                return std::nullopt;
        }
    }
    return options;
}

QString ServerOptions::helpText() {
    return QStringLiteral(
        "Použití: toquel-skore [volby] [příkaz]\n"
        "\n"
        "Server celosvětového žebříčku hry Toquel. Přijímá výsledky, které hra odesílá\n"
        "na adresu /skore/pridejv.asp, a ukazuje nejlepších 100 na adrese /skore.\n"
        "\n"
        "Volby:\n"
        "  -l, --listen ADRESA:PORT   adresa IP, na které naslouchat (výchozí\n"
        "                             127.0.0.1:8080; [::1]:8080 pro IPv6; port 0\n"
        "                             vybere volný port a vypíše ho)\n"
        "  -d, --database DATABÁZE    soubor SQLite (výchozí skore.sqlite v pracovní\n"
        "                             složce), nebo sdílená databáze PostgreSQL:\n"
        "                             postgresql://uživatel:heslo@počítač:port/databáze\n"
        "      --log-level ÚROVEŇ     error, warning, info (výchozí) nebo debug\n"
        "      --rate-limit N         kolikrát za minutu smí jedna adresa odeslat\n"
        "                             výsledky (výchozí 10; 0 = bez omezení, pro\n"
        "                             zátěžové zkoušky)\n"
        "      --trusted-proxy ADRESA\n"
        "                             adresa IP proxy (například nginx), jejíž\n"
        "                             hlavičce X-Forwarded-For server věří; lze\n"
        "                             zadat vícekrát\n"
        "      --threads N            počet vláken pro HTTP (výchozí 2)\n"
        "  -h, --help                 vypíše tuto nápovědu\n"
        "      --version              vypíše verzi\n"
        "\n"
        "Příkazy pro správce (server nespouštějí, pracují s databází z --database):\n"
        "  list [POČET]               vypíše nejlepší výsledky na žebříčku (výchozí 100)\n"
        "  remove JMÉNO SKÓRE         odebere výsledek ze žebříčku natrvalo (ani nové\n"
        "                             odeslání ho nevrátí); běžící servery překreslí\n"
        "                             žebříček do 2 sekund\n"
        "\n"
        "Návratové kódy: 0 v pořádku, 2 chybná volba, 3 databáze je nedostupná,\n"
        "4 na adrese nelze naslouchat, 5 výsledek k odebrání na žebříčku není,\n"
        "1 jiná chyba.\n");
}

} // namespace skore
