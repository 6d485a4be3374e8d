// The server's log on stderr. It never holds a client address: posts are anonymous.
#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string_view>

namespace skore::log {

enum class Level { Error, Warning, Info, Debug };

void setLevel(Level level);
Level level();
// "error", "warning", "info", "debug" (also Czech "chyby", "varovani", "info", "ladeni").
std::optional<Level> levelFromName(const QString &name);

void error(const QString &message);
void warning(const QString &message);
void info(const QString &message);
void debug(const QString &message);
bool enabled(Level level);

// Where the lines go: stderr unless another stream is given.
void setOutput(std::FILE *stream);

// A failure that every post meets again while it lasts (the database away, a
// full disk): logged when it begins, then only counted. The count is logged
// when the failure ends or another takes its place, and once a minute while
// it lasts. For one thread.
class RepeatedFailure {
public:
    using Clock = std::chrono::steady_clock;

    void failed(Level level, const QString &message);
    // The operation worked again: says so with the count, if it had failed.
    void recovered(const QString &message);

private:
    void logRepeats();

    QString m_message;
    Level m_level = Level::Warning;
    int m_repeats = 0;
    Clock::time_point m_logged;
};

// Text from a client made safe for one log line: control characters and
// bytes outside ASCII as \xNN, cut after maxBytes.
QString printable(std::string_view text, std::size_t maxBytes = 200);

} // namespace skore::log
