#!/usr/bin/env bash
# The policy analyses on the large demo area, through the command-line tool
# against the private server with the demo data: the budget-effect curve of
# 20 budgets (wall and processor seconds, with the load before and after),
# a single goal run at each of its budgets to compare with, the curve of 7
# target factors, and the payment comparison (cost-only bound, tenders,
# zones, uniform).
# Prints `name: value` lines; keep notable ones in bench/RESULTS.md.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="$ROOT/build/bin/pravel-cli"
GOAL="$ROOT/examples/maximise_goal_large.json"
BUDGET="$ROOT/examples/minimise_budget_large.json"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

echo "load_average_before: $(cut -d' ' -f1-3 /proc/loadavg)"
/usr/bin/time -f "curve_20_budgets_seconds: %e\ncurve_20_budgets_cpu_seconds: %U" \
  "$CLI" --seed 1 curve "$GOAL" --budgets 10000:200000:20 --json --plot "$OUT/curve.png" > "$OUT/curve.json" 2> "$OUT/curve.err"
grep "^curve_20" "$OUT/curve.err"
echo "load_average_after: $(cut -d' ' -f1-3 /proc/loadavg)"

# Every point against a single goal run at its budget (same seed, 25 s).
python3 - "$OUT" "$CLI" "$GOAL" <<'PY'
import json, subprocess, sys
out, cli, goal = sys.argv[1:]
curve = json.load(open(out + "/curve.json"))
print("curve_monotone:", curve["monotone"])
doc = json.load(open(goal))
weights = [s["importance"] / 100.0 for s in doc["species"]]
worst = 0.0
for p in curve["points"]:
    budget = int(p["budget"])
    doc["budget"] = budget
    path = f"{out}/goal_{budget}.json"
    json.dump(doc, open(path, "w"))
    single = json.loads(subprocess.run([cli, "--seed", "1", "maximise-goal", path, "--json"],
                                       check=True, capture_output=True, text=True).stdout)
    j = sum(w * s["effective_area_ha"] for w, s in zip(weights, single["species"]))
    gap = 100.0 * (p["weighted_effective_area"] - j) / j
    worst = min(worst, gap)
    print(f"curve_vs_single_{budget}_percent: {gap:.4f}")
print(f"curve_vs_single_worst_percent: {worst:.4f}")
PY

/usr/bin/time -f "curve_7_factors_seconds: %e\ncurve_7_factors_cpu_seconds: %U" \
  "$CLI" --seed 1 curve "$BUDGET" --factors 0.5:2:7 > /dev/null 2> "$OUT/factors.err"
grep "^curve_7" "$OUT/factors.err"

"$CLI" --seed 1 compare-payments "$BUDGET" --zones subclassification --zones grid:2x2 --zones grid:4x4 \
  --markups 0,0.1,0.25 --csv "$OUT/compare.csv" > /dev/null
sed 's/^/compare: /' "$OUT/compare.csv"
