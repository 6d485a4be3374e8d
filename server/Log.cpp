#include "server/Log.h"

#include <QDateTime>
#include <atomic>
#include <cstdio>

namespace skore::log {

namespace {

std::atomic<Level> g_level{Level::Info};

void write(Level at, const char *tag, const QString &message) {
    if (!enabled(at))
        return;
    const QByteArray line = QStringLiteral("%1 %2 %3\n")
                                .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs),
                                     QString::fromUtf8(tag), message)
                                .toUtf8();
    // One write per line, so lines of several threads never interleave.
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
}

} // namespace

void setLevel(Level level) {
    g_level = level;
}

Level level() {
    return g_level;
}

bool enabled(Level at) {
    return int(at) <= int(g_level.load());
}

std::optional<Level> levelFromName(const QString &name) {
    const QString n = name.toLower();
    if (n == QLatin1String("error") || n == QLatin1String("chyby"))
        return Level::Error;
    if (n == QLatin1String("warning") || n == QLatin1String("varovani"))
        return Level::Warning;
    if (n == QLatin1String("info"))
        return Level::Info;
    if (n == QLatin1String("debug") || n == QLatin1String("ladeni"))
        return Level::Debug;
    return std::nullopt;
}

QString printable(std::string_view text, std::size_t maxBytes) {
    QString shown;
    shown.reserve(qsizetype(std::min(text.size(), maxBytes)));
    for (std::size_t i = 0; i < text.size() && i < maxBytes; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F || c == '\\')
            shown += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        else
            shown += QLatin1Char(char(c));
    }
    if (text.size() > maxBytes)
        shown += QStringLiteral("…");
    return shown;
}

void error(const QString &message) {
    write(Level::Error, "chyba", message);
}
void warning(const QString &message) {
    write(Level::Warning, "varování", message);
}
void info(const QString &message) {
    write(Level::Info, "info", message);
}
void debug(const QString &message) {
    write(Level::Debug, "ladění", message);
}

} // namespace skore::log
