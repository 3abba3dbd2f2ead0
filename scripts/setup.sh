#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Velmaris needs to build, test and run on Debian 12, then builds.
#   scripts/setup.sh run    build and start the window on the shipped index file
#   scripts/setup.sh test   build with warnings as errors and run every test headless, then
#                           build with clang under AddressSanitizer and UndefinedBehaviorSanitizer
#                           and run every test again, with each fuzz target a few seconds
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libquazip1-qt6-dev openssl
          clang libclang-rt-14-dev libqt6sql6-sqlite libqt6sql6-psql postgresql libbenchmark-dev poppler-utils xvfb xauth
          fonts-dejavu-core locales qt6-translations-l10n qtkeychain-qt6-dev
          libical-dev python3 python3-icalendar lintian man-db)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run again under French and other locales: a result that changes with the
# language of the machine is a wrong rent.
if [ "${1:-test}" = test ]; then
    for l in fr_FR de_DE fr_CA fr_BE; do
        if ! locale -a 2>/dev/null | grep -qi "^${l}\.utf-\?8$"; then
            sudo=""
            [ "$(id -u)" -eq 0 ] || sudo="sudo"
            $sudo localedef -i "$l" -c -f UTF-8 "$l.UTF-8" || echo "setup.sh: no $l.UTF-8 locale" >&2
        fi
    done
fi

case "${1:-test}" in
run)
    cmake --preset release >/dev/null
    cmake --build --preset release
    shift || true
    exec build/release/bin/velmaris "$@"
    ;;
test)
    jobs=$(nproc)
    cmake --preset ci
    cmake --build --preset ci
    ctest --preset ci -j "$jobs"
    # The same tests under AddressSanitizer and UndefinedBehaviorSanitizer, built
    # by clang, with the fuzz targets.
    cmake --preset asan
    cmake --build --preset asan
    ctest --preset asan -j "$jobs"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
