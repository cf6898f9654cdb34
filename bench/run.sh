#!/usr/bin/env bash
# Runs kx_bench and prints, for every benchmark measured at several sizes, the ratio of the
# per-statement time at the largest size to that at the smallest (1.0 means linear).
set -euo pipefail
build=${1:?usage: bench/run.sh BUILD_DIR}
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/bench/kx_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json
python3 - "$json" <<'PY'
import json, sys
from collections import defaultdict

report = json.load(open(sys.argv[1]))
sizes = defaultdict(dict)  # family -> size -> median cpu time per statement
for b in report["benchmarks"]:
    if b.get("error_occurred"):
        sys.exit(f"{b['run_name']}: {b.get('error_message')}")
    if b.get("aggregate_name") != "median":
        continue
    family, _, size = b["run_name"].partition("/")
    if size.isdigit():
        sizes[family][int(size)] = b["cpu_time"] / int(size)
for family, per_item in sorted(sizes.items()):
    if len(per_item) < 2:
        continue
    small, large = min(per_item), max(per_item)
    ratio = per_item[large] / per_item[small]
    print(f"{family}: per-statement time at {large} vs {small} statements: ratio {ratio:.2f}")
PY
# Extraction by our archive library against 7-Zip's own, in the same run.
bash "$(dirname "$0")/archive.sh" "$build"
# "Find All Files" against find(1) on the same tree.
bash "$(dirname "$0")/find_all_files.sh" "$build"
