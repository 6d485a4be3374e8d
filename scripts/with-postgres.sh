#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL cluster beside it, for the score
# board's tests and benchmark: initdb in a temporary folder, listening on
# 127.0.0.1 only on a free port, trust authentication, removed afterwards
# (also when the command fails or is interrupted). The command finds the
# cluster in TOQUEL_TEST_PG_URL and exits with the command's own status.
#
#   bash scripts/with-postgres.sh ctest --preset default
#
# PostgreSQL refuses to run as root, so as root (as CI runs) the cluster runs
# as the system user postgres that Debian's package creates.
set -euo pipefail

if [ "$#" -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGUMENTS...]" >&2
  exit 2
fi

bindir=${TOQUEL_PG_BINDIR:-/usr/lib/postgresql/15/bin}
if [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
  echo "with-postgres: no PostgreSQL in $bindir; the PostgreSQL rows of the tests will be skipped" >&2
  exec "$@"
fi

as_owner=()
owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  as_owner=(runuser -u postgres --)
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/toquel-pg.XXXXXX")
chmod 755 "$work"
[ "$owner" != "$(id -un)" ] && chown "$owner" "$work"
data="$work/data"
log="$work/server.log"

cleanup() {
  if [ -f "$data/postmaster.pid" ]; then
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"${as_owner[@]}" "$bindir/initdb" -D "$data" -U postgres -A trust -E UTF8 --no-locale \
  --no-sync >"$work/initdb.log" 2>&1 || { cat "$work/initdb.log" >&2; exit 1; }

# A port nobody listens on; if another process takes it first, the start
# fails and the next one is tried.
port=
for attempt in $(seq 1 20); do
  candidate=$((20000 + RANDOM % 40000))
  if (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
    continue
  fi
  if "${as_owner[@]}" "$bindir/pg_ctl" -D "$data" -l "$log" -w -t 60 \
      -o "-c listen_addresses=127.0.0.1 -c port=$candidate -c unix_socket_directories=$work" \
      start >/dev/null; then
    port=$candidate
    break
  fi
done
if [ -z "$port" ]; then
  echo "with-postgres: PostgreSQL did not start; its log:" >&2
  cat "$log" >&2 || true
  exit 1
fi

export TOQUEL_TEST_PG_URL="postgresql://postgres@127.0.0.1:$port/postgres"
echo "with-postgres: throwaway PostgreSQL at $TOQUEL_TEST_PG_URL" >&2
set +e
"$@"
status=$?
set -e
exit "$status"
