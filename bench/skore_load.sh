#!/usr/bin/env bash
# Load on the score board server from a second process on 127.0.0.1 (wrk):
# posts a second with p50/p99 latency on SQLite and on PostgreSQL (each "OK "
# synced to disk), page requests a second, the page while 200 slow clients and
# while 1,000 idle keep-alive connections are held open (bench/skore_clients),
# the page while floods of silent connections (64 addresses x 16, 1,000
# addresses x 10) keep every slot taken, nginx serving the same page as a
# static file, for the ratio, and the rate limiter full of 65,536 addresses
# (posts from known and from new addresses). Each run is bounded (DURATION
# seconds, 10 by default) and everything it starts is stopped at the end.
#
#   bench/skore_load.sh [-b BUILD_DIR] [-d SECONDS] [-c CONNECTIONS]   (PACE=ms)
#                       [--posts-only | --limiter-only]
#
# BUILD_DIR holds server/toquel-skore (default build/default of this tree). The
# server runs with --rate-limit 0 for the posts: the limit of 10 posts a minute
# from one address would refuse a load test from one machine. The PostgreSQL
# run uses a throwaway cluster from scripts/with-postgres.sh; without
# PostgreSQL it is left out.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build/default}
duration=${DURATION:-10}
connections=${CONNECTIONS:-8}
# The paced run: each connection waits this long between posts, so 8
# connections offer about 1000 posts a second, a steady load below the most
# the server takes.
pace=${PACE:-5}
while [ $# -gt 0 ]; do
  case $1 in
  -b) build=${2:?-b takes the build folder}; shift 2 ;;
  -d) duration=${2:?-d takes seconds}; shift 2 ;;
  -c) connections=${2:?-c takes a count}; shift 2 ;;
  --postgres-only) postgres_only=1; shift ;;
  --posts-only) posts_only=1; shift ;;
  --limiter-only) limiter_only=1; shift ;;
  -h | --help) sed -n '2,19p' "$0"; exit 0 ;;
  *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
program="$build/server/toquel-skore"
clients="$build/bench/skore_clients"
[ -x "$program" ] && [ -x "$clients" ] || { echo "no $program or $clients: build first" >&2; exit 1; }
# wrk, nginx and curl are the benchmark's own: installed here, not for CI.
bash scripts/install-deps.sh --bench >/dev/null

work=$(mktemp -d)
chmod 755 "$work"
server_pid=
nginx_pid=
stop_nginx() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=
  fi
}
stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
  fi
}
trap 'stop_server; stop_nginx; rm -rf "$work"' EXIT

# Starts the server on a free port with the given database, and as many
# descriptors as the second argument says (the hard limit by default); sets $url.
start_server() {
  bash -c 'ulimit -n "$1" && shift && exec "$@"' - "${2:-$(ulimit -Hn)}" \
    "$program" --listen 127.0.0.1:0 --database "$1" --rate-limit 0 --log-level warning \
    >"$work/banner" 2>"$work/server.log" &
  server_pid=$!
  for _ in $(seq 1 100); do
    url=$(grep -o 'http://[^ ]*' "$work/banner" 2>/dev/null | sed 's|/skore$||') && [ -n "$url" ] && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the server did not start:" >&2
  cat "$work/server.log" >&2
  exit 1
}

run_wrk() { # label, then wrk arguments
  local label=$1
  shift
  echo "== $label"
  wrk --latency -t 2 -c "$connections" -d "${duration}s" --timeout 5s "$@" | tee "$work/wrk.out"
  echo
}

rate() { awk '/^Requests\/sec:/ { print $2 }' "$work/wrk.out"; }

# The page while COUNT hostile clients of a kind are held open.
run_wrk_beside() { # count, slow|idle, label
  "$clients" "${url##*:}" "$1" "$2" $((duration + 4)) >"$work/clients.out" &
  local held=$!
  sleep 2
  run_wrk "$3" "$url/skore"
  wait "$held"
  cat "$work/clients.out"
  echo
}

# The rate limiter at its cap: 65,536 addresses named through --trusted-proxy
# fill it (each within the minute it remembers them), then posts from those
# known addresses, then from new ones (refused, the table being full) while a
# second wrk asks for the page. Empty tables, so no database work is measured.
run_rate_limiter() {
  "$program" --listen 127.0.0.1:0 --database "$work/limiter.sqlite" --trusted-proxy 127.0.0.1 \
    --log-level error >"$work/banner" 2>"$work/server.log" &
  server_pid=$!
  sleep 1
  url=$(grep -o 'http://[^ ]*' "$work/banner" | sed 's|/skore$||')
  local rss_before
  rss_before=$(awk '/VmRSS/ { print $2 }' "/proc/$server_pid/status")
  # Filled once a new address is refused; each probe is a new address, as a
  # probe that was let in would be remembered like any other.
  local fill_seconds=0
  while [ "$(curl -s -o /dev/null -w '%{http_code}' -H "X-Forwarded-For: 198.19.255.$fill_seconds" \
      -d 'N1=&S1=&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5=' "$url/skore/pridejv.asp")" != 429 ]; do
    [ "$fill_seconds" -lt 30 ] || { echo "the rate limiter did not fill" >&2; break; }
    wrk -t 2 -c "$connections" -d 5s -s bench/skore_addresses.lua "$url/skore/pridejv.asp" \
      -- 198.18 65536 >/dev/null
    fill_seconds=$((fill_seconds + 5))
  done
  echo "rate limiter full after ${fill_seconds} s of posts from 65,536 addresses;" \
    "resident memory $rss_before -> $(awk '/VmRSS/ { print $2 }' "/proc/$server_pid/status") KiB"
  echo
  # Each run with the page asked for beside it, so both share the cores alike.
  local kind prefix
  for kind in known new; do
    prefix=198.18
    [ "$kind" = known ] || prefix=198.20
    wrk --latency -t 1 -c 4 -d "${duration}s" "$url/skore" >"$work/page.out" &
    local page=$!
    run_wrk "posts from $kind addresses, rate limiter full" -s bench/skore_addresses.lua \
      "$url/skore/pridejv.asp" -- "$prefix" 65536
    wait "$page"
    echo "== the page meanwhile (1 thread, 4 connections)"
    cat "$work/page.out"
    echo
  done
  stop_server
}

# The page while silent connections from ADDRESSES addresses (127.0.10.1 on),
# PER_ADDRESS each, are held and opened again as the server closes them; the
# server has 1,024 descriptors, so they take every slot. First an honest
# client alone (a new connection a page, from 127.0.0.1), then wrk.
run_flood() { # addresses, per address
  local held
  "$clients" "${url##*:}" $(($1 * $2)) silent $((2 * duration + 6)) "$2" >"$work/clients.out" &
  held=$!
  sleep 2
  echo "== page while $1 addresses x $2 silent connections are held"
  "$clients" "${url##*:}" 0 honest "$duration"
  run_wrk "page while $1 addresses x $2 silent connections are held (wrk)" "$url/skore"
  wait "$held"
  cat "$work/clients.out"
  echo
}

# nginx (Debian's) serving the page as a static file on 127.0.0.1: what
# serving the same bytes from memory can reach on this machine.
run_nginx() {
  mkdir -p "$work/html" "$work/nginx"
  curl -sf "$url/skore" -o "$work/html/skore.html"
  local port
  port=$((20000 + RANDOM % 40000))
  cat >"$work/nginx/nginx.conf" <<CONF
worker_processes auto;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on; tcp_nopush on; tcp_nodelay on; keepalive_requests 100000;
  client_body_temp_path $work/nginx; proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx; uwsgi_temp_path $work/nginx; scgi_temp_path $work/nginx;
  server {
    listen 127.0.0.1:$port;
    location / { root $work/html; default_type text/html; }
  }
}
CONF
  nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
  nginx_pid=$!
  sleep 1
  # Alternating, three times each: the machine's other work then weighs on
  # both sides alike.
  local ours=0 theirs=0
  for round in 1 2 3; do
    run_wrk "page from toquel-skore, round $round" "$url/skore"
    ours=$(awk -v a="$ours" -v b="$(rate)" 'BEGIN { print a + b }')
    run_wrk "the same page from nginx (static file, $(stat -c %s "$work/html/skore.html") bytes), round $round" \
      "http://127.0.0.1:$port/skore.html"
    theirs=$(awk -v a="$theirs" -v b="$(rate)" 'BEGIN { print a + b }')
  done
  stop_nginx
  echo "page from toquel-skore against nginx, three rounds each: $ours / $theirs = $(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "wrk: 2 threads, $connections connections, ${duration}s a run"
echo

if [ -n "${limiter_only:-}" ]; then
  run_rate_limiter
  exit 0
fi

if [ -z "${postgres_only:-}" ]; then
  start_server "$work/skore.sqlite"
  run_wrk "posts, SQLite, as fast as answered" -s bench/skore_post.lua "$url/skore/pridejv.asp"
  run_wrk "posts, SQLite, each connection one per ${pace} ms" -s bench/skore_post.lua \
    "$url/skore/pridejv.asp" -- "$pace"
fi
if [ -z "${postgres_only:-}" ] && [ -z "${posts_only:-}" ]; then
  run_wrk "page, SQLite" "$url/skore"
  echo "results on the board: $(sqlite3 "$work/skore.sqlite" 'SELECT COUNT(*) FROM results' 2>/dev/null || echo '?')"
  echo
  run_wrk_beside 200 slow "page, SQLite, 200 slow clients trickling a head"
  run_wrk_beside 1000 idle "page, SQLite, 1,000 idle keep-alive connections"
  run_nginx
  echo
  stop_server
  start_server "$work/skore.sqlite" 1024
  echo "server with 1,024 descriptors for the floods"
  run_flood 64 16
  run_flood 1000 10
  stop_server
  run_rate_limiter
fi
stop_server

if [ -n "${TOQUEL_TEST_PG_URL:-}" ]; then
  start_server "$TOQUEL_TEST_PG_URL"
  run_wrk "posts, PostgreSQL, as fast as answered" -s bench/skore_post.lua "$url/skore/pridejv.asp"
  run_wrk "posts, PostgreSQL, each connection one per ${pace} ms" -s bench/skore_post.lua \
    "$url/skore/pridejv.asp" -- "$pace"
  [ -n "${posts_only:-}" ] || run_wrk "page, PostgreSQL" "$url/skore"
  stop_server
elif [ -z "${TOQUEL_PG_INNER:-}" ] && [ -x /usr/lib/postgresql/15/bin/initdb ]; then
  TOQUEL_PG_INNER=1 PACE=$pace bash scripts/with-postgres.sh bash "$0" -b "$build" \
    -d "$duration" -c "$connections" --postgres-only ${posts_only:+--posts-only}
fi
