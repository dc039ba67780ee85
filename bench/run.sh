#!/usr/bin/env bash
# bench/run.sh PROGRAM REFS [extra benchmark flags...]
# Runs a benchmark program with interleaved repetitions and prints the ratio table, e.g.
#   bench/run.sh build-bench/bench/mem_bench memcpy,memset,strcpy,strcat
# TIME_KIND=cpu compares CPU times instead of real times (steadier when other work shares the
# cores); REPS and MIN_TIME set the repetitions and the minimum time of each.
set -euo pipefail
program=$1 refs=$2
shift 2
out=$(mktemp --suffix=.json)
trap 'rm -f "$out"' EXIT
"$program" --benchmark_repetitions="${REPS:-15}" --benchmark_enable_random_interleaving=true \
  --benchmark_min_time="${MIN_TIME:-0.05}" --benchmark_out="$out" --benchmark_out_format=json \
  --benchmark_display_aggregates_only=true "$@" >/dev/null
python3 "$(dirname "$0")/ratio_table.py" "$out" --ref "$refs" --time "${TIME_KIND:-real}"
