#!/usr/bin/env bash
# Wall time of a 12-run batch on the small demo area (two targets x two
# measure sets x three seeds) with two local workers and, when the
# single-node cluster runs (scripts/cluster start), as a Slurm job array of at
# most two tasks at once; and the overhead per run: the run's share of the
# wall time (wall x 2 / 12) minus the analysis's own time, and the part of it
# spent inside the run's process (claim, store, row) from the run table.
#
#   bench/batch_wall_time.sh            (the private server from scripts/db)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="$ROOT/build/bin/pravel-cli"
CONFIG="${PRAVEL_BENCH_DB_CONFIG:-$ROOT/db_config.txt}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

cp "$ROOT/examples/minimise_budget_small.json" "$WORK/base.json"
cat > "$WORK/batch.json" <<'JSON'
{"name": "bench: targets x measure sets x seeds", "analysis": "minimise-budget", "base": "base.json",
 "vary": {"species[].wanted_area_ha": [10, 20],
          "measures": [[{"set": "only mowing"}], [{"id": 19}, {"id": 37}, {"id": 57}, {"id": 70}]]},
 "replicates": 3}
JSON

host_port="$(sed -n 1p "$CONFIG")"; host_port="${host_port#tcp://}"
sql() {
  mariadb --no-defaults -h "${host_port%:*}" -P "${host_port##*:}" -u "$(sed -n 2p "$CONFIG")" \
    -p"$(sed -n 3p "$CONFIG")" "$(sed -n 4p "$CONFIG")" -N -e "$1"
}
now() { date +%s.%N; }
report() {  # name batch wall
  local figures
  figures="$(sql "SELECT SUM(analysis_seconds), SUM(seconds - analysis_seconds) / COUNT(*), COUNT(*) FROM batch_run WHERE batchID = $2 AND state = 'done'")"
  read -r analysis inside runs <<< "$figures"
  echo "batch_12_runs_${1}_wall_seconds: $3"
  echo "batch_12_runs_${1}_analysis_seconds_sum: $analysis"
  echo "batch_12_runs_${1}_overhead_per_run_seconds: $(echo "$3 * 2 / $runs - $analysis / $runs" | bc -l | xargs printf '%.2f')"
  echo "batch_12_runs_${1}_in_process_overhead_per_run_seconds: $(printf '%.3f' "$inside")"
}

id="$("$CLI" --db-config "$CONFIG" batch create "$WORK/batch.json" 2>/dev/null)"
start="$(now)"
"$CLI" --db-config "$CONFIG" batch run "$id" --workers 2 >/dev/null 2>&1
report local "$id" "$(echo "$(now) - $start" | bc -l)"

if "$ROOT/scripts/cluster" status >/dev/null 2>&1; then
  eval "$("$ROOT/scripts/cluster" env)"
  id="$("$CLI" --db-config "$CONFIG" batch create "$WORK/batch.json" 2>/dev/null)"
  start="$(now)"
  (cd "$WORK" && "$CLI" --db-config "$CONFIG" batch submit "$id" --slurm --max-parallel 2 >/dev/null 2>&1)
  "$CLI" --db-config "$CONFIG" batch status "$id" --wait --timeout 1800 >/dev/null 2>&1
  report slurm "$id" "$(echo "$(now) - $start" | bc -l)"
else
  echo "batch_12_runs_slurm: skipped (the single-node cluster is not running: scripts/cluster start)"
fi
