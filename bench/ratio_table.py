#!/usr/bin/env python3
"""Turns a Google Benchmark JSON report into a table of median time ratios.

Benchmarks are named GROUP/IMPL/PARAM (for example copy/memcpy_s/64). Within each GROUP and
PARAM, every IMPL is compared with the reference IMPL of that group (the first one named by
--ref that the group has), as the ratio of the medians over all repetitions. Run the program with
--benchmark_repetitions and --benchmark_enable_random_interleaving=true so that the runs of a pair
are interleaved on this noisy machine (bench/run.sh does that).
"""
import argparse
import json
import statistics
from collections import defaultdict


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("report", help="JSON written by --benchmark_out")
    ap.add_argument("--ref", required=True,
                    help="comma-separated reference implementations, e.g. memcpy,memset")
    ap.add_argument("--time", choices=["real", "cpu"], default="real",
                    help="which time to compare; cpu leaves out the time the process waited "
                         "for a core, which dominates real time on a loaded machine")
    args = ap.parse_args()
    refs = args.ref.split(",")

    with open(args.report) as f:
        report = json.load(f)
    times = defaultdict(list)  # (group, param, impl) -> times of each repetition
    order = []
    for b in report["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        parts = b["run_name"].split("/")
        if len(parts) < 3:
            continue
        key = (parts[0], "/".join(parts[2:]), parts[1])
        if key not in times:
            order.append(key)
        scale = {"ns": 1, "us": 1e3, "ms": 1e6}[b["time_unit"]]
        times[key].append(b[args.time + "_time"] * scale)

    print("| group | param | impl | median ns | reference | ref ns | ratio |")
    print("|---|---|---|---:|---|---:|---:|")
    # Interleaved runs come in random order: print by group, then by numeric parameter.
    def place(key):
        group, param, impl = key
        return (group, int(param) if param.isdigit() else 0, param, impl)
    order.sort(key=place)
    for group, param, impl in order:
        ref = next((r for r in refs if (group, param, r) in times), None)
        if ref is None or ref == impl:
            continue
        t = statistics.median(times[(group, param, impl)])
        r = statistics.median(times[(group, param, ref)])
        print(f"| {group} | {param} | {impl} | {t:.2f} | {ref} | {r:.2f} | {t / r:.2f} |")


if __name__ == "__main__":
    main()
