#!/usr/bin/env bash
# Seconds and peak memory of exporting the large demo study area to a GeoTIFF,
# importing it again under another name, and exporting the latest results in
# the three result formats. Run by scripts/bench after the demo is loaded; the
# demo is loaded again at the end so that the extra area does not stay.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
CLI=build/bin/pravel-cli
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

measure() {
  local label="$1"; shift
  /usr/bin/time -f "$label: %e s, peak memory %M KB" "$@" >/dev/null 2>"$OUT/time.txt" || {
    cat "$OUT/time.txt" >&2; exit 1; }
  tail -n 1 "$OUT/time.txt"
}

measure "export-area, Ellerbach lowland (300 x 450, 92,894 pixels, 24 bands)" \
  "$CLI" export-area --name "Ellerbach lowland" --out "$OUT/large.tif"
measure "import-area of that file under a new name" \
  "$CLI" import-area --name "Ellerbach lowland (round trip)" --growth-start 12 --bands "$OUT/large.tif" --replace
sed 's/"Moorwiesen test area"/"Ellerbach lowland"/' examples/programme_small.json > "$OUT/programme_large.json"
"$CLI" --seed 1 programme "$OUT/programme_large.json" --visualize >/dev/null 2>&1
rows=$(mariadb --no-defaults -N -h 127.0.0.1 -P "$(cat var/db/port)" -u pravel -p"$(cat var/db/password)" pravel \
  -e "SELECT COUNT(*) FROM results_for_viusualitsation" 2>/dev/null || echo "?")
for ext in tif gpkg csv; do
  measure "export --latest (programme on the large area, $rows result rows) to .$ext" \
    "$CLI" export --latest --out "$OUT/latest.$ext"
done
./scripts/db load-demo >/dev/null
