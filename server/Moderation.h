// The operator's commands on the database: what stands on the board, and
// taking a result off it without writing SQL.
#pragma once

#include "server/ServerOptions.h"

#include <cstdio>

namespace skore {

// Runs options.command (list or remove) on options.database, writing what it
// did to out and failures to err, in Czech. Returns the program's exit code.
int runModeration(const ServerOptions &options, std::FILE *out, std::FILE *err);

} // namespace skore
