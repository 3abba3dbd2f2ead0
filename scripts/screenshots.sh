#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Retakes the pictures of the manual (docs/images/) from the program, on a 1024×768
# virtual screen, with the leases of the manual's own example CSV file.
#   scripts/screenshots.sh [BUILD_DIR]      (build/debug by default; tests built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/debug}
program=$build/tests/app/velmaris_doc_images
cli=$build/bin/velmaris-cli
[ -x "$program" ] && [ -x "$cli" ] || { echo "screenshots.sh: build $build with its tests first" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "screenshots.sh: xvfb-run is missing (apt-get install xvfb)" >&2; exit 2; }

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
cp data/VELMARIS.TXT "$data/"
# The manual's full example of the leases' CSV format: the csv block under
# "## Baux" whose heading names the owners.
awk '/^## / { section = ($0 == "## Baux") } section && /^```csv/ { wanted = 1; next }
     wanted == 1 { wanted = ($0 ~ /bailleur_nom/) ? 2 : 0 }
     wanted == 2 && /^```/ { exit } wanted == 2 { print }' docs/formats-csv.md >"$data/baux.csv"
[ -s "$data/baux.csv" ] || { echo "screenshots.sh: no full csv example under ## Baux in docs/formats-csv.md" >&2; exit 1; }
"$cli" --data-folder "$data" --import-leases "$data/baux.csv" >/dev/null

mkdir -p docs/images
HOME=$data XDG_CONFIG_HOME=$data XDG_DATA_HOME=$data LC_ALL=fr_FR.UTF-8 \
    xvfb-run -a -s "-screen 0 1024x768x24" "$program" "$data" docs/images
ls docs/images
