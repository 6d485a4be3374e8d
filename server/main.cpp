// toquel-skore: the world ranking of Toquel and the address the game posts its results to.
#include "server/Board.h"
#include "server/HttpServer.h"
#include "server/Log.h"
#include "server/Moderation.h"
#include "server/ServerOptions.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

using namespace skore;

namespace {

void printTo(FILE *stream, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char **argv) {
    // Ctrl+C and a service manager's SIGTERM are taken by one thread that
    // stops the server; every other thread inherits the blocked mask. Blocked
    // first of all: a signal that comes while the server starts waits for
    // that thread (the server then stops as soon as it runs) instead of
    // ending the process half-way.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A player's browser that goes away mid-reply must not end the server.
    std::signal(SIGPIPE, SIG_IGN);

    // Qt SQL loads its drivers as plugins, which needs an application object;
    // no Qt event loop runs: Asio's and the database thread do the work.
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    QString why;
    const std::optional<ServerOptions> options = ServerOptions::parse(arguments, &why);
    if (!options) {
        printTo(stderr, QStringLiteral("toquel-skore: %1\n").arg(why));
        return ExitBadOption;
    }
    if (options->help) {
        printTo(stdout, ServerOptions::helpText());
        return ExitOk;
    }
    if (options->version) {
        printTo(stdout, QStringLiteral("toquel-skore " TOQUEL_VERSION "\n"));
        return ExitOk;
    }
    log::setLevel(options->logLevel);
    if (options->command != Command::Serve) {
        // An operator's command ends at Ctrl+C like any other.
        pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
        return runModeration(*options, stdout, stderr);
    }

    // Every connection is a descriptor: as many as the process may open,
    // less what the database and the event loop need.
    HttpLimits limits;
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        if (files.rlim_cur < files.rlim_max) {
            files.rlim_cur = files.rlim_max;
            if (setrlimit(RLIMIT_NOFILE, &files) != 0)
                getrlimit(RLIMIT_NOFILE, &files);
        }
        limits.totalConnections = HttpLimits::connectionsFor(files.rlim_cur);
    }

    TrustedProxies proxies;
    for (const QString &proxy : options->trustedProxies)
        proxies.add(proxy.toStdString());
    Board::Options boardOptions;
    boardOptions.rateLimit = options->rateLimit;
    Board board(options->database, boardOptions);
    HttpServer http(board, limits, options->threads, std::move(proxies));
    // The address first: a server that cannot listen creates no database.
    if (!http.bind(options->host, options->port)) {
        printTo(stderr, QStringLiteral("toquel-skore: na adrese %1:%2 nelze naslouchat (je "
                                       "obsazená, nebo ji tento počítač nemá).\n")
                            .arg(options->host)
                            .arg(options->port));
        return ExitAddressUnavailable;
    }
    if (!board.start(&why)) {
        printTo(stderr, QStringLiteral("toquel-skore: databázi %1 nelze otevřít: %2\n")
                            .arg(options->database.describe(), why));
        return ExitDatabaseUnavailable;
    }
    log::info(QStringLiteral("Databáze: %1").arg(options->database.describe()));

    const QString host = options->host.contains(u':') ? u'[' + options->host + u']' : options->host;
    const QString address = QStringLiteral("http://%1:%2/skore").arg(host).arg(http.port());
    printTo(stdout, QStringLiteral("Naslouchám na %1\n").arg(address));
    log::info(QStringLiteral("Nejvýše %1 spojení najednou.").arg(limits.totalConnections));
    if (options->rateLimit == 0)
        log::warning(QStringLiteral("Omezení počtu odeslání je vypnuto (--rate-limit 0)."));

    // SIGTERM: no new connections, requests in progress get the grace of the
    // limits, the rest are closed; every post answered "OK " is committed by
    // then, and the database thread finishes what is queued before it ends.
    std::thread([&http, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        log::info(QStringLiteral("Končím (signál %1).").arg(signal));
        http.shutdown();
    }).detach();

    http.run();
    // Every post was answered by now. A database call that does not return
    // (a network gone silent) holds nothing answered "OK ": the process
    // does not wait for it beyond its time to stop.
    if (!board.stopWithin(std::chrono::seconds(1))) {
        log::warning(QStringLiteral("Databáze neodpovídá; končím bez ní."));
        std::_Exit(ExitOk);
    }
    return ExitOk;
}
