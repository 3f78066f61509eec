#!/usr/bin/env bash
# The policy analyses on the large demo area, through the command-line tool
# against the private server with the demo data: the budget-effect curve of
# 20 budgets, single goal runs at three of its budgets to compare with, and
# the payment comparison (cost-only bound, tenders, zones, uniform).
# Prints `name: value` lines; keep notable ones in bench/RESULTS.md.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="$ROOT/build/bin/pravel-cli"
GOAL="$ROOT/examples/maximise_goal_large.json"
BUDGET="$ROOT/examples/minimise_budget_large.json"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

start=$(date +%s.%N)
"$CLI" --seed 1 curve "$GOAL" --budgets 10000:200000:20 --json --plot "$OUT/curve.png" > "$OUT/curve.json"
end=$(date +%s.%N)
echo "curve_20_budgets_seconds: $(echo "$end - $start" | bc)"

python3 - "$OUT" "$CLI" "$GOAL" <<'PY'
import json, subprocess, sys
out, cli, goal = sys.argv[1:]
curve = json.load(open(out + "/curve.json"))
print("curve_monotone:", curve["monotone"])
doc = json.load(open(goal))
weights = [s["importance"] / 100.0 for s in doc["species"]]
points = {p["budget"]: p for p in curve["points"]}
for budget in (50000, 100000, 150000):
    doc["budget"] = budget
    path = f"{out}/goal_{budget}.json"
    json.dump(doc, open(path, "w"))
    single = json.loads(subprocess.run([cli, "--seed", "1", "maximise-goal", path, "--json"],
                                       check=True, capture_output=True, text=True).stdout)
    j = sum(w * s["effective_area_ha"] for w, s in zip(weights, single["species"]))
    c = points[float(budget)]["weighted_effective_area"]
    print(f"curve_vs_single_{budget}_percent: {100.0 * (c - j) / j:.4f}")
PY

"$CLI" --seed 1 compare-payments "$BUDGET" --zones subclassification --zones grid:2x2 --zones grid:4x4 \
  --markups 0,0.1,0.25 --csv "$OUT/compare.csv" > /dev/null
sed 's/^/compare: /' "$OUT/compare.csv"
