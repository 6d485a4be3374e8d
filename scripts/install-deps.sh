#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and
# looking at Toquel needs. Safe to run again: apt only adds what is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkgconf
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgumbo-dev
  # run time: Czech button texts, a font with Czech glyphs
  qt6-translations-l10n fonts-dejavu-core
  # the real window under a virtual display, and screenshots of it
  xvfb xauth imagemagick
  x11-utils            # xwininfo, xev, xwd: looking at windows by hand
  libxcb1-dev          # bench/first_frame: watches a window's pixels on the X server
  # desktop integration: checking the launcher and AppStream files, packaging the .deb
  desktop-file-utils appstream dpkg-dev
  libboost-dev         # the score board server's HTTP layer: Boost.Beast on Asio (header-only)
  libqt6sql6-sqlite    # the score board's default database: an SQLite file
  libqt6sql6-psql      # the score board's shared database: PostgreSQL through Qt SQL
  postgresql           # a throwaway PostgreSQL cluster for the score board's tests
  # the Windows check: every game source compiled as Windows code, and the .rc
  g++-mingw-w64-x86-64-posix
  # the fuzz build: clang with libFuzzer and its sanitizer run-times, and the
  # symbolizer that turns their stack traces into file:line
  clang-14 libclang-rt-14-dev llvm-14
)

# Only the benchmarks and the screenshot script need these; they ask for them
# with --bench, so the install for building and testing stays lean.
if [ "${1:-}" = "--bench" ]; then
  packages=(
    wrk                # load generator for the score board benchmark
    nginx              # the static-file yardstick the score board's page is measured against
    chromium           # headless screenshots of the score board's page
    sqlite3            # counting the rows a benchmark left
    curl               # the benchmark's copy of the page for nginx
  )
fi

if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
else
  sudo=
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  # nginx's package starts a server on port 80 of every interface when it is
  # installed; the benchmark runs its own on 127.0.0.1, so no service is
  # started here (a policy-rc.d that refuses, only while apt runs).
  policy=/usr/sbin/policy-rc.d
  own_policy=
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod 755 "$policy"
    own_policy=1
  fi
  trap 'if [ -n "$own_policy" ]; then $sudo rm -f "$policy"; fi' EXIT
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
