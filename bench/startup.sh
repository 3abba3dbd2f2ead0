#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process figures, medians of RUNS runs, with the targets they are held to:
#   - velmaris-cli's revision, from start to exit, beside a bare QCoreApplication
#     program that loads the same Qt libraries (QtCore, QtSql, QuaZip);
#   - the window, from start to its first paint (offscreen), beside the floor
#     program (one window of 120 labels) opened at the window's size, in time
#     and in peak memory; and, for information, beside the floor at its own
#     smaller size (a window's memory is mostly its image: width x height x 4).
# usage: bench/startup.sh [BUILD_DIR] [RUNS]     (an optimised build: the ci preset)
set -euo pipefail
build=${1:-build/ci}
runs=${2:-15}
program=$build/bin/velmaris
cli=$build/bin/velmaris-cli
floor=$build/bench/velmaris_floor
floor_core=$build/bench/velmaris_floor_core
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }
[ -x "$program" ] && [ -x "$cli" ] && [ -x "$floor" ] && [ -x "$floor_core" ] || { echo "build $build with VELMARIS_BENCH=ON first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A home of its own: the user's settings, register and index file stay out of it.
mkdir -p "$work/home"
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
now_ns() { date +%s%N; }
ms_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b - a) / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

# Command line: wall time by the clock, peak memory by /usr/bin/time; beside the
# bare QCoreApplication program, alternately.
: >"$work/cli"
: >"$work/core"
for _ in $(seq "$runs"); do
    start=$(now_ns)
    /usr/bin/time -f '%M' -o "$work/rss" "$cli" --rent 850 --quarter 32019 >/dev/null 2>&1
    end=$(now_ns)
    echo "$(ms_between "$start" "$end") $(cat "$work/rss")" >>"$work/cli"
    start=$(now_ns)
    /usr/bin/time -f '%M' -o "$work/rss" "$floor_core" --rent 850 --quarter 32019 >/dev/null
    end=$(now_ns)
    echo "$(ms_between "$start" "$end") $(cat "$work/rss")" >>"$work/core"
done

# A window: start it, wait for its first-paint line, read its peak memory, end it.
# Prints: the time it reports (from main), the time seen from outside, peak kB,
# and the size it reports, if any (WxH).
first_paint() {
    local err=$work/err
    : >"$err"
    local start end pid
    start=$(now_ns)
    VELMARIS_TRACE_STARTUP=1 "$@" 2>"$err" >/dev/null &
    pid=$!
    until grep -q 'first paint after' "$err"; do
        kill -0 "$pid" 2>/dev/null || { cat "$err" >&2; return 1; }
        sleep 0.002
    done
    end=$(now_ns)
    local hwm
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$(sed -n 's/.*first paint after \([0-9.]*\) ms.*/\1/p' "$err") $(ms_between "$start" "$end") $hwm" \
        "$(sed -n 's/.*first paint after .*(\([0-9]*x[0-9]*\)).*/\1/p' "$err")"
}

: >"$work/window"
: >"$work/floor"
: >"$work/ownsize"
for _ in $(seq "$runs"); do # alternate, so that a busy moment hits all
    first_paint "$program" >>"$work/window"
    first_paint "$floor" "$(awk 'NR == 1 { print $4 }' "$work/window")" >>"$work/floor"
    first_paint "$floor" >>"$work/ownsize"
done

col() { awk -v c="$2" '{ print $c }' "$1" | median; }
printf 'velmaris-cli --rent (start to exit): %.1f ms, peak %d kB\n' "$(col "$work/cli" 1)" "$(col "$work/cli" 2)"
printf 'bare QCoreApplication, same libraries: %.1f ms, peak %d kB\n' "$(col "$work/core" 1)" "$(col "$work/core" 2)"
printf 'ratio command line/floor: time %.2f, peak memory %.2f\n' \
    "$(ratio "$(col "$work/cli" 1)" "$(col "$work/core" 1)")" \
    "$(ratio "$(col "$work/cli" 2)" "$(col "$work/core" 2)")"
for what in window floor ownsize; do
    printf '%-7s first paint: %.1f ms from main, %.1f ms from exec, peak %d kB\n' "$what" \
        "$(col "$work/$what" 1)" "$(col "$work/$what" 2)" "$(col "$work/$what" 3)"
done
printf 'ratio window/floor: time from main %.2f, time from exec %.2f, peak memory %.2f\n' \
    "$(ratio "$(col "$work/window" 1)" "$(col "$work/floor" 1)")" \
    "$(ratio "$(col "$work/window" 2)" "$(col "$work/floor" 2)")" \
    "$(ratio "$(col "$work/window" 3)" "$(col "$work/floor" 3)")"
printf 'window size %s; floor at its own size: ratio time from exec %.2f, peak memory %.2f\n' \
    "$(awk 'NR == 1 { print $4 }' "$work/window")" \
    "$(ratio "$(col "$work/window" 2)" "$(col "$work/ownsize" 2)")" \
    "$(ratio "$(col "$work/window" 3)" "$(col "$work/ownsize" 3)")"
# The targets: a figure, never a test's verdict (timings belong here, not in tests).
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t) ? "met" : "MISSED" }'; }
echo "targets (ratio <= target):"
printf '  command line/floor time    %.2f <= 1.20: %s\n' "$(ratio "$(col "$work/cli" 1)" "$(col "$work/core" 1)")" \
    "$(verdict "$(ratio "$(col "$work/cli" 1)" "$(col "$work/core" 1)")" 1.20)"
printf '  window/floor first paint   %.2f <= 1.50: %s\n' "$(ratio "$(col "$work/window" 2)" "$(col "$work/floor" 2)")" \
    "$(verdict "$(ratio "$(col "$work/window" 2)" "$(col "$work/floor" 2)")" 1.50)"
