#!/usr/bin/env bash
# Start-up time and peak memory of the game, next to a bare Qt Widgets window.
#
#   bench/startup.sh [-n RUNS] [-b BUILD_DIR]      or   bench/startup.sh [RUNS]
#
# RUNS is the number of measured starts of each program (at least 10, the
# default). BUILD_DIR (also read from the environment) holds shell/toquel and
# bench/bare_window; by default build/default of this tree.
#
# Everything runs under one private Xvfb server and in a private settings folder
# that one unmeasured start of the game has already filled, so no message box
# about damaged results opens before the main window. The runs of the two
# programs alternate, so a slow spell of the machine hits both.
#
# Time: from just before the shell starts the program to the moment the X
# server reports its main window mapped (the MapNotify that `xev` sees on the
# root window: an event, not a poll, so the watcher costs the starting program
# nothing).
# Memory: the peak resident set (VmHWM in /proc/PID/status), read one second
# after the window was mapped, while the program still runs, just before it is
# killed.
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
game=$build/shell/toquel
bare=$build/bench/bare_window
for exe in "$game" "$bare"; do
    [ -x "$exe" ] || { echo "startup.sh: $exe is not built" >&2; exit 1; }
done
for tool in Xvfb xev xwininfo stdbuf; do
    command -v "$tool" >/dev/null ||
        { echo "startup.sh: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
prog_pid=
cleanup() {
    local pid
    for pid in "$prog_pid" "${XEV_PID:-}" "$xvfb_pid"; do
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
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Line-buffered, so each event reaches us as soon as the server sends it.
coproc XEV { exec stdbuf -oL xev -root -event substructure; }
sleep 0.5 # xev selects its events right after it connects; give it that moment

# Waits for a window titled $1 (any window when empty) to be mapped; sets
# mapped_at (µs) to when the server said so and `others` to the titles of any
# windows mapped before it.
wait_for_map() {
    local title=$1 line stamp id name
    others=
    while IFS= read -r -t 20 line <&"${XEV[0]}"; do
        [[ $line == MapNotify* ]] || continue
        stamp=${EPOCHREALTIME//[.,]/}
        IFS= read -r -t 5 line <&"${XEV[0]}"
        [[ $line =~ window\ (0x[0-9a-f]+),\ override ]] || continue
        id=${BASH_REMATCH[1]}
        name=$(xwininfo -id "$id" 2>/dev/null | sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p')
        if [ -z "$title" ] || [ "$name" = "$title" ]; then
            mapped_at=$stamp
            return 0
        fi
        others+="'$name' "
    done
    echo "startup.sh: no window '$title' was mapped within 20 s" >&2
    return 1
}

# One start of $1, whose main window is titled $2: appends the time to the
# mapped window (µs) and the peak resident set (kB) to the files $3 and $4.
measure() {
    local exe=$1 title=$2 start hwm
    start=${EPOCHREALTIME//[.,]/} # a builtin: no process of its own before the start
    "$exe" >>"$work/program.log" 2>&1 &
    prog_pid=$!
    wait_for_map "$title"
    [ -z "$others" ] || echo "startup.sh: $others opened before '$title'; this run is not clean" >&2
    sleep 1
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$prog_pid/status")
    kill "$prog_pid"
    wait "$prog_pid" 2>/dev/null || true
    prog_pid=
    echo $((mapped_at - start)) >>"$3"
    echo "$hwm" >>"$4"
}

# The first start finds no results, says they were damaged and stores the empty
# table; every later start loads it without a word. It also warms the caches.
"$game" >>"$work/program.log" 2>&1 &
prog_pid=$!
wait_for_map ""
for _ in $(seq 100); do
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
measure "$bare" Bare "$work/warm.time" "$work/warm.mem"

for i in $(seq "$runs"); do
    measure "$bare" Bare "$work/bare.time" "$work/bare.mem"
    measure "$game" "Toquel 1.02" "$work/game.time" "$work/game.mem"
    if [ -t 2 ]; then printf '\rrun %d of %d' "$i" "$runs" >&2; fi
done
if [ -t 2 ]; then echo >&2; fi

# min / median / max of a file of numbers, scaled by $2 and printed with $3.
summary() {
    sort -n "$1" | awk -v scale="$2" -v fmt="$3" '
        { v[NR] = $1 }
        END {
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf fmt, v[1] / scale, m / scale, v[NR] / scale
        }'
}

# Other work on the machine shows in these figures; the load average says how much.
echo "$(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1);" \
    "$runs runs each; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-14s %-32s %s\n' "" "to window mapped (ms)" "peak resident set (MiB)"
printf '%-14s %-32s %s\n' "" "min / median / max" "min / median / max"
for who in bare game; do
    case $who in bare) label="bare window" ;; game) label="Toquel 1.02" ;; esac
    printf '%-14s %-32s %s\n' "$label" \
        "$(summary "$work/$who.time" 1000 '%.1f / %.1f / %.1f')" \
        "$(summary "$work/$who.mem" 1024 '%.1f / %.1f / %.1f')"
done
