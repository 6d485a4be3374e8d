#!/usr/bin/env bash
# Start-up of the game next to a bare Qt Widgets window: time to the first frame
# on screen and peak memory.
#
#   bench/startup.sh [-n RUNS] [-b BUILD_DIR]      or   bench/startup.sh [RUNS]
#
# RUNS is the number of measured starts of each program (at least 10, the
# default). BUILD_DIR (also read from the environment) holds app/toquel and
# bench/; by default build/default of this tree.
#
# Everything runs under one private Xvfb server and in a private settings folder
# that one unmeasured start of the game has already filled, so no message box
# about damaged results opens before the main window. The starts of the two
# programs alternate, so a slow spell of the machine hits both.
#
# First frame: from just before the program starts until its main window's
# middle row of pixels is drawn on the X server (bench/first_frame polls the
# window's pixels; being mapped is not yet being drawn).
# Memory: the peak resident set (VmHWM in /proc/PID/status), read one second
# after the first frame, while the program still runs, just before it is killed.
set -euo pipefail

runs=${RUNS:-10}
build=${BUILD_DIR:-}
while [ $# -gt 0 ]; do
    case $1 in
    -n) runs=${2:?-n takes the number of runs}; shift 2 ;;
    -b) build=${2:?-b takes the build folder}; shift 2 ;;
    -h | --help) sed -n '2,9p' "$0"; exit 0 ;;
    *[!0-9]* | '') echo "startup.sh: unknown argument '$1'" >&2; exit 2 ;;
    *) runs=$1; shift ;;
    esac
done
if ! [[ $runs =~ ^[0-9]+$ ]] || [ "$runs" -lt 10 ]; then
    echo "startup.sh: at least 10 runs, for a median worth reading" >&2
    exit 2
fi

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${build:-$repo/build/default}" && pwd)
game=${TOQUEL:-$build/app/toquel} # TOQUEL: another build of the game, to compare
bare=$build/bench/bare_window
watch=$build/bench/first_frame
for exe in "$game" "$bare" "$watch"; do
    [ -x "$exe" ] || { echo "startup.sh: $exe is not built" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "startup.sh: Xvfb is missing; run scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
prog_pid=
cleanup() {
    local pid
    for pid in "$prog_pid" "$xvfb_pid"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { echo "startup.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }

DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime XDG_CACHE_HOME=$work/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"

# The first start finds no results, says they were damaged and stores the empty
# table; every later start loads it without a word. It also warms the caches.
"$game" >>"$work/program.log" 2>&1 &
prog_pid=$!
for _ in $(seq 200); do
    grep -qs '^HiSkore=' "$XDG_CONFIG_HOME/Toquel/Toquel.conf" && break
    sleep 0.05
done
kill "$prog_pid"
wait "$prog_pid" 2>/dev/null || true
prog_pid=
if ! grep -qs '^HiSkore=' "$XDG_CONFIG_HOME/Toquel/Toquel.conf"; then
    echo "startup.sh: the first start stored no results table" >&2
    exit 1
fi

# One start of $1 under the watcher; checks that the window drawn is the one
# titled $2 and appends "mapped drawn peak" to the file $3.
measure() {
    local line mapped drawn peak name
    line=$("$watch" "$1" 2>>"$work/program.log") || { echo "startup.sh: $1 did not show" >&2; tail -n5 "$work/program.log" >&2; exit 1; }
    read -r mapped drawn peak name <<<"$line"
    [ "$name" = "$2" ] || echo "startup.sh: '$name' was drawn before '$2'; this run is not clean" >&2
    echo "$mapped $drawn $peak" >>"$3"
}
measure "$bare" Bare "$work/warm"
measure "$game" "Toquel 1.02" "$work/warm"

for i in $(seq "$runs"); do
    measure "$bare" Bare "$work/bare"
    measure "$game" "Toquel 1.02" "$work/game"
    if [ -t 2 ]; then printf '\rrun %d of %d' "$i" "$runs" >&2; fi
done
if [ -t 2 ]; then echo >&2; fi

# The median of column $2 of the file $1.
median() {
    cut -d' ' -f"$2" "$1" | sort -n | awk '
        { v[NR] = $1 }
        END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# min / median / max of column $2 of the file $1, scaled by $3 and printed with $4.
summary() {
    cut -d' ' -f"$2" "$1" | sort -n | awk -v scale="$3" -v fmt="$4" '
        { v[NR] = $1 }
        END {
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf fmt, v[1] / scale, m / scale, v[NR] / scale
        }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Other work on the machine shows in these figures; the load average says how much.
echo "$(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1);" \
    "$runs runs each, alternating; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-13s %-26s %-26s %s\n' "" "window mapped (ms)" "first frame (ms)" "peak resident set (MiB)"
printf '%-13s %-26s %-26s %s\n' "" "min / median / max" "min / median / max" "min / median / max"
for who in bare game; do
    case $who in bare) label="bare window" ;; game) label="Toquel 1.02" ;; esac
    printf '%-13s %-26s %-26s %s\n' "$label" \
        "$(summary "$work/$who" 1 1000 '%.1f / %.1f / %.1f')" \
        "$(summary "$work/$who" 2 1000 '%.1f / %.1f / %.1f')" \
        "$(summary "$work/$who" 3 1024 '%.1f / %.1f / %.1f')"
done
echo "Toquel / bare window, medians: first frame $(ratio "$(median "$work/game" 2)" \
    "$(median "$work/bare" 2)")x, peak memory $(ratio "$(median "$work/game" 3)" \
    "$(median "$work/bare" 3)")x"
