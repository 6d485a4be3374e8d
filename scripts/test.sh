#!/usr/bin/env bash
# Installs what is missing, builds Toquel and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
# --- score board server: a throwaway PostgreSQL for the tests' PostgreSQL rows (TOQUEL_TEST_PG_URL) ---
bash scripts/with-postgres.sh ctest --preset default

# The same suite again under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (GCC, build/asan); Qt's plugin leaks are
# suppressed by tests/lsan-qt.supp. The score board's PostgreSQL rows run here
# too, so its database code is checked under the sanitizers as well.
# The Windows compile check and the package check run no code of ours, so
# they are left to the normal build.
cmake --preset asan
cmake --build --preset asan
bash scripts/with-postgres.sh ctest --preset asan -LE "windows|packaging"

# The libFuzzer targets (clang, build/fuzz), each for a bounded time from its
# seed corpus in fuzz/corpus/.
cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz
