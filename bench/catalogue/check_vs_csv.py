#!/usr/bin/env python3
"""Times tavren-check against Python's csv module on the same guide file.

    check_vs_csv.py [--runs N] TAVREN_CHECK GUIDE

Runs, turn about, "TAVREN_CHECK --json --major 3 --middle 5 GUIDE" and a
Python process that reads GUIDE with the csv module (decoded as CP932), each
N times (default 7), and prints the best wall-clock time of each, process
start to exit, and their ratio as "name value" lines.
"""

import argparse
import resource
import subprocess
import sys
import time

CSV_READ = (
    "import csv, sys\n"
    "with open(sys.argv[1], newline='', encoding='cp932', errors='replace') as f:\n"
    "    rows = sum(1 for _ in csv.reader(f))\n"
)


def cpu_s():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run_ms(command):
    """Wall-clock and CPU (user + system) milliseconds of one run."""
    cpu = cpu_s()
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1e3, (cpu_s() - cpu) * 1e3


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("check")
    parser.add_argument("guide")
    args = parser.parse_args()
    check = [args.check, "--json", "--major", "3", "--middle", "5", args.guide]
    python = [sys.executable, "-c", CSV_READ, args.guide]
    # One untimed round puts the file and both programs in the page cache.
    run_ms(check)
    run_ms(python)
    check_runs, python_runs = [], []
    for _ in range(max(1, args.runs)):
        check_runs.append(run_ms(check))
        python_runs.append(run_ms(python))
    for kind, n in (("wall", 0), ("cpu", 1)):
        best_check = min(r[n] for r in check_runs)
        best_python = min(r[n] for r in python_runs)
        print(f"check_json_{kind}_ms {best_check:.1f}")
        print(f"python_csv_{kind}_ms {best_python:.1f}")
        print(f"check_to_csv_{kind}_ratio {best_check / best_python:.3f}")


if __name__ == "__main__":
    main()
