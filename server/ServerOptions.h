// The command line of toquel-skore.
#pragma once

#include "server/DatabaseConfig.h"
#include "server/Log.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace skore {

// What the program ends with, so a service manager or a script can tell the
// causes apart.
enum ExitCode : int {
    ExitOk = 0,
    ExitFailure = 1,             // anything unforeseen
    ExitBadOption = 2,           // the command line is wrong
    ExitDatabaseUnavailable = 3, // the database cannot be opened or is too new
    ExitAddressUnavailable = 4,  // the address cannot be listened on
    ExitNotOnTheBoard = 5,       // the result to remove is not on the board
};

// What the program is asked to do: serve, or one of the operator's commands
// on the database.
enum class Command { Serve, List, Remove };

struct ServerOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = 8080; // 0: any free port, printed at start
    DatabaseConfig database;
    log::Level logLevel = log::Level::Info;
    int rateLimit = 10;         // posts a minute per client address; 0 = no limit
    int threads = 2;            // threads of the HTTP event loop
    QStringList trustedProxies; // whose X-Forwarded-For is believed
    Command command = Command::Serve;
    int listCount = 100; // list: how many of the best
    QString removeName;  // remove: the result exactly as listed
    int removeScore = 0;
    bool help = false;
    bool version = false;

    // The arguments after the program name. nullopt, with a Czech message in
    // *error, for anything it does not understand.
    static std::optional<ServerOptions> parse(const QStringList &arguments, QString *error);

    static QString helpText();

    // "host:port", "[v6 address]:port"; the host an IP address.
    static bool parseAddress(const QString &text, QString *host, int *port);
};

} // namespace skore
