#include "server/DatabaseConfig.h"

#include <QUrl>

namespace skore {

std::optional<DatabaseConfig> DatabaseConfig::fromArgument(const QString &argument,
                                                           QString *error) {
    const auto fail = [error](const QString &why) -> std::optional<DatabaseConfig> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    DatabaseConfig config;
    if (argument.isEmpty())
        return fail(QStringLiteral("Databáze není zadána."));
    if (!argument.startsWith(QLatin1String("postgresql://")) &&
        !argument.startsWith(QLatin1String("postgres://"))) {
        if (argument.contains(QLatin1String("://")))
            return fail(QStringLiteral("Neznámý druh databáze „%1“: zadejte soubor SQLite "
                                       "nebo adresu postgresql://…")
                            .arg(argument.section(QLatin1String("://"), 0, 0)));
        config.sqlitePath = argument;
        return config;
    }
    const QUrl url(argument, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return fail(QStringLiteral("Adresa databáze není platná; má tvar "
                                   "postgresql://uživatel:heslo@počítač:port/databáze."));
    if (url.hasQuery() || url.hasFragment())
        return fail(QStringLiteral("Adresa databáze nesmí mít část za „?“ ani „#“."));
    config.engine = Engine::PostgreSQL;
    config.host = url.host();
    config.port = url.port(5432);
    config.user = url.userName(QUrl::FullyDecoded);
    config.password = url.password(QUrl::FullyDecoded);
    config.database = url.path(QUrl::FullyDecoded).mid(1);
    if (config.database.contains(u'/'))
        return fail(QStringLiteral("Název databáze v adrese nesmí obsahovat „/“."));
    if (config.database.isEmpty())
        config.database = config.user.isEmpty() ? QStringLiteral("postgres") : config.user;
    return config;
}

QString DatabaseConfig::describe() const {
    if (engine == Engine::SQLite)
        return QStringLiteral("SQLite %1").arg(sqlitePath);
    return QStringLiteral("PostgreSQL %1@%2:%3/%4")
        .arg(user, host, QString::number(port), database);
}

QString DatabaseConfig::driver() const {
    return engine == Engine::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
}

} // namespace skore
