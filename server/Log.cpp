#include "server/Log.h"

#include <QDateTime>
#include <atomic>
#include <cstdio>

namespace skore::log {

namespace {

std::atomic<Level> g_level{Level::Info};
std::atomic<std::FILE *> g_output{nullptr};

// One entry, one line: a database driver's message comes with line breaks
// (PostgreSQL's "DETAIL:" and "HINT:" lines), which would read as entries of
// their own to whoever greps the log.
QString oneLine(const QString &message) {
    QString line;
    line.reserve(message.size());
    for (const QString &part : message.trimmed().split(u'\n')) {
        if (!line.isEmpty())
            line += QStringLiteral(" / ");
        line += part.trimmed();
    }
    for (QChar &c : line)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return line;
}

void write(Level at, const char *tag, const QString &message) {
    if (!enabled(at))
        return;
    const QByteArray line = QStringLiteral("%1 %2 %3\n")
                                .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs),
                                     QString::fromUtf8(tag), oneLine(message))
                                .toUtf8();
    // One write per line, so lines of several threads never interleave.
    std::FILE *output = g_output.load();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), output ? output : stderr);
    std::fflush(output ? output : stderr);
}

void logAt(Level level, const QString &message) {
    switch (level) {
    case Level::Error:
        return error(message);
    case Level::Warning:
        return warning(message);
    case Level::Info:
        return info(message);
    case Level::Debug:
        return debug(message);
    }
}

constexpr std::chrono::seconds kRepeatEvery{60};

} // namespace

void setOutput(std::FILE *stream) {
    g_output = stream;
}

void RepeatedFailure::failed(Level level, const QString &message) {
    const Clock::time_point now = Clock::now();
    if (message == m_message) {
        ++m_repeats;
        if (now - m_logged >= kRepeatEvery) {
            logRepeats();
            m_logged = now;
        }
        return;
    }
    logRepeats();
    logAt(level, message);
    m_message = message;
    m_level = level;
    m_logged = now;
}

void RepeatedFailure::recovered(const QString &message) {
    if (m_message.isEmpty())
        return;
    logRepeats();
    info(message);
    m_message.clear();
}

void RepeatedFailure::logRepeats() {
    if (m_repeats > 0)
        logAt(m_level,
              QStringLiteral("Totéž ještě %1× (%2)").arg(m_repeats).arg(m_message.left(200)));
    m_repeats = 0;
}

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
