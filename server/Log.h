// The server's log on stderr. It never holds a client address: posts are anonymous.
#pragma once

#include <QString>
#include <cstddef>
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

// Text from a client made safe for one log line: control characters and
// bytes outside ASCII as \xNN, cut after maxBytes.
QString printable(std::string_view text, std::size_t maxBytes = 200);

} // namespace skore::log
