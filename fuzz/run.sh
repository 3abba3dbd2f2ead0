#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets (the asan preset, clang) and runs the named ones (all
# by default) one after the other, SECONDS_EACH seconds each (120 by default),
# starting from the kept corpus in tests/corpus. New inputs go to
# build/asan/fuzz/corpus, crashes to build/asan/fuzz/artifacts; a crash worth
# keeping goes into tests/corpus/<target>/.
#   fuzz/run.sh [target...]        SECONDS_EACH=300 fuzz/run.sh indexfile
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/asan/fuzz
targets=("$@")
[ ${#targets[@]} -gt 0 ] \
    || targets=(indexfile number leasedate profile download sdmx inseecsv leasescsv)
cmake --preset asan >/dev/null
cmake --build --preset asan --target "${targets[@]/#/fuzz_}"
for t in "${targets[@]}"; do
    mkdir -p "$out/corpus/$t" "$out/artifacts/$t"
    echo "== $t, ${SECONDS_EACH:-120} s"
    dict=()
    [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="fuzz/dict/$t.dict")
    status=0
    "$out/fuzz_$t" -max_total_time="${SECONDS_EACH:-120}" -max_len=4096 -print_final_stats=1 \
        "${dict[@]}" -artifact_prefix="$out/artifacts/$t/" \
        "$out/corpus/$t" "tests/corpus/$t" >"$out/$t.log" 2>&1 || status=$?
    grep -E '^Done|^stat::number_of_executed_units|SUMMARY' "$out/$t.log" || true
    [ $status -eq 0 ] || echo "   found something: $out/$t.log, $out/artifacts/$t/"
done
