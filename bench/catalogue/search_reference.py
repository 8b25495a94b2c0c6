#!/usr/bin/env python3
"""The page search in plain Python, for the search benchmark's ratio.

    search_reference.py PAGES QUERIES RUNS

PAGES holds each page's pre-folded title and note (UTF-8, NUL between them,
one page a line); QUERIES one query a line, its pre-folded terms separated by
NUL, after its name and a tab. Prints "name milliseconds matches" per query,
the milliseconds the median of RUNS runs of
all(t in title or t in note for t in terms) over every page.
"""
import statistics
import sys
import time


def main():
    pages_path, queries_path, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with open(pages_path, encoding="utf-8") as f:
        pages = [tuple(line.rstrip("\n").split("\0", 1)) for line in f]
    with open(queries_path, encoding="utf-8") as f:
        queries = [line.rstrip("\n").split("\t", 1) for line in f]
    for name, text in queries:
        terms = text.split("\0")
        times = []
        found = 0
        for _ in range(runs):
            start = time.perf_counter()
            found = sum(1 for title, note in pages if all(t in title or t in note for t in terms))
            times.append((time.perf_counter() - start) * 1000)
        print(f"{name} {statistics.median(times):.3f} {found}")


if __name__ == "__main__":
    main()
