#!/usr/bin/env bash
# Runs the benchmarks and prints, for each family, the ratio of the largest case's time per
# item to the smallest's (1.0 = flat), plus any ratios against peers that a benchmark reports.
set -euo pipefail
build=${1:-build/bench}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$build/bench/kx_bench" --benchmark_format=json --benchmark_out="$out" --benchmark_out_format=json \
  --benchmark_min_time=0.5 >/dev/null
python3 - "$out" <<'PY'
import json, sys, collections
runs = json.load(open(sys.argv[1]))["benchmarks"]
families = collections.OrderedDict()
for r in runs:
    if r.get("run_type") == "aggregate":
        continue
    name, _, arg = r["name"].partition("/")
    families.setdefault(name, []).append(r)
for name, rs in families.items():
    for r in rs:
        per = r.get("per_statement") or r.get("per_item")
        line = f"{r['name']:<40} {r['real_time']:10.2f} {r['time_unit']}"
        if per:
            line += f"   {per * 1e6:8.3f} us per item"
        print(line)
    pers = [(r.get("per_statement") or r.get("per_item")) for r in rs]
    if len(rs) > 1 and all(pers):
        print(f"{name}: time per item, largest vs smallest case: {pers[-1] / pers[0]:.2f}")
PY
