#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# test_reference.sh CLI REFERENCE.md MANPAGE.1.gz
# Every option velmaris-cli's help prints is in its reference and its man page,
# and every command of the help's usage lines has a section of its own in both.
set -euo pipefail
cli=$1
reference=$2
manpage=$3

help=$("$cli" --help)
# The man page as text: roff's escaped hyphens and font changes undone.
man=$(zcat "$manpage" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g')
headings=$(grep '^### ' "$reference")
subsections=$(grep '^\.SS ' <<<"$man")

missing=()
mapfile -t options < <(grep -oE -- '(^|[^a-z-])(--[a-z][a-z-]*|-h|-\?)' <<<"$help" \
    | sed -E 's/^[^-]//' | sort -u)
[ ${#options[@]} -gt 20 ] || { echo "FAIL: only ${#options[@]} options read from --help" >&2; exit 1; }
for option in "${options[@]}"; do
    pattern="(^|[^a-z-])$(sed 's/[?]/\\?/' <<<"$option")([^a-z-]|$)"
    grep -qE -- "$pattern" "$reference" || missing+=("$option not in $(basename "$reference")")
    grep -qE -- "$pattern" <<<"$man" || missing+=("$option not in the man page")
done
mapfile -t commands < <(grep -E '^  velmaris-cli ' <<<"$help" | awk '{print $2}' | sort -u)
[ ${#commands[@]} -gt 10 ] || { echo "FAIL: only ${#commands[@]} commands read from --help" >&2; exit 1; }
for command in "${commands[@]}"; do
    grep -qF -- "$command" <<<"$headings" || missing+=("no section for $command in $(basename "$reference")")
    grep -qF -- "$command" <<<"$subsections" || missing+=("no section for $command in the man page")
done
if [ ${#missing[@]} -gt 0 ]; then
    printf 'FAIL: %s\n' "${missing[@]}" >&2
    exit 1
fi
echo "${#options[@]} options and ${#commands[@]} commands in the reference and the man page"
