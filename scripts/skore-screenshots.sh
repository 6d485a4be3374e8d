#!/usr/bin/env bash
# Screenshots of the score board's ranking as players see it: 100 results
# with long Czech names and equal scores, in headless Chromium at a phone's
# width (360 px) and a desktop's (1280 px). Not part of CI: look at the PNGs.
#
#   bash scripts/skore-screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
set -euo pipefail
export LC_ALL=C.UTF-8 # names are cut by characters, not bytes
cd "$(dirname "$0")/.."
build=${1:-build/default}
out=${2:-$build/screenshots}
program="$build/server/toquel-skore"
[ -x "$program" ] || { echo "no $program: build first" >&2; exit 1; }
bash scripts/install-deps.sh --bench >/dev/null # chromium and curl
mkdir -p "$out"

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$program" --listen 127.0.0.1:0 --database "$work/skore.sqlite" --rate-limit 0 \
  --log-level warning >"$work/banner" &
server_pid=$!
url=
for _ in $(seq 1 100); do
  url=$(grep -o 'http://[^ ]*' "$work/banner" 2>/dev/null) && [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { echo "the server did not start" >&2; exit 1; }

# A value as the game sends it: Windows-1250 bytes, each as %XX.
encode() {
  printf '%s' "$1" | iconv -f UTF-8 -t WINDOWS-1250 | od -An -tx1 -v | tr -s ' \n' ' ' |
    sed 's/^ //; s/ $//; s/ /%/g; s/^/%/'
}

first=(Přemysl Bořivoj Vratislav Ludmila Žofie Křišťan Dobroslava Jaroslav Čestmír Řehoř)
last=(Šťastný-Dvořák-Přibyslavský Křížovnický-Žďárský Žluťoučký-Kůň-Úpělivý Nepomucký
  Čechomorská-Hřebíčková Ďáblický-Řeřichový Ó)
# 100 results in 20 tables; scores fall in steps of three, so ties abound.
for table in $(seq 0 19); do
  body=
  for place in 1 2 3 4 5; do
    i=$((table * 5 + place - 1))
    name="${first[i % 10]} ${last[i % 7]} $((i % 10))"
    name=${name:0:29}
    score=$((32000 - (i / 3) * 250))
    body+="N$place=$(encode "$name")&S$place=$score&"
  done
  curl -sf --data "${body%&}" "$url/pridejv.asp" >/dev/null
done

for width in 360 1280; do
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d -p "$work")" --hide-scrollbars \
    --window-size="$width,$((width < 1000 ? 5000 : 3500))" --screenshot="$out/skore-$width.png" "$url" 2>/dev/null
  echo "$out/skore-$width.png"
done
