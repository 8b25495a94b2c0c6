#!/usr/bin/env python3
"""Times tavren-guide import and export against bookmarks_reference.py,
Python's standard library doing the same conversions, in the same run.

    bookmarks_vs_python.py [--runs N] [--bookmarks 20000] TAVREN_GUIDE GUIDE

import: a generated bookmark file of --bookmarks links (Japanese titles and
notes, nested folders, a browser container); export: GUIDE (the budget hands
over the 100,000-page guide). Each side runs N times (default 5), turn
about; prints the best wall-clock times and their ratios as "name value"
lines.
"""

import argparse
import pathlib
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent


def bookmark_file(count):
    out = ['<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">',
           "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>",
           '    <DT><H3 PERSONAL_TOOLBAR_FOLDER="true">ブックマーク バー</H3>\n    <DL><p>']
    per_folder = 100
    for k in range(count):
        if k % per_folder == 0:
            if k:
                out.append("        </DL><p>\n    </DL><p>")
            out.append(f"    <DT><H3>大分類 {k // 2000}</H3>\n    <DL><p>\n"
                       f"        <DT><H3>中分類 &amp; {k // per_folder % 20}</H3>\n        <DL><p>")
        out.append(f'            <DT><A HREF="https://example.org/温泉/{k}?a=1&amp;b=2" ADD_DATE="1700000000">'
                   f'温泉 "{k}", 露天風呂</A>')
        if k % 2:
            out.append(f"            <DD>源泉かけ流しの宿 {k}")
    out.append("        </DL><p>\n    </DL><p>\n    </DL><p>\n</DL><p>")
    return "\n".join(out) + "\n"


def best_ms(command, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append((time.perf_counter() - start) * 1e3)
    return min(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--bookmarks", type=int, default=20000)
    parser.add_argument("tavren_guide")
    parser.add_argument("guide")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="tavren-bookmarks-bench-") as work:
        html = pathlib.Path(work) / "bookmarks.html"
        html.write_text(bookmark_file(args.bookmarks), encoding="utf-8")
        reference = [sys.executable, str(HERE / "bookmarks_reference.py")]
        for name, ours, theirs in (
                ("import", [args.tavren_guide, "import", str(html), "-o", f"{work}/ours.lst"],
                 reference + ["import", str(html), f"{work}/theirs.lst"]),
                ("export", [args.tavren_guide, "export", args.guide, "-o", f"{work}/ours.html"],
                 reference + ["export", args.guide, f"{work}/theirs.html"])):
            best_ms(ours, 1)  # the page cache
            ours_ms, theirs_ms = best_ms(ours, args.runs), best_ms(theirs, args.runs)
            print(f"{name}_wall_ms {ours_ms:.1f}")
            print(f"python_{name}_wall_ms {theirs_ms:.1f}")
            print(f"{name}_to_python_ratio {ours_ms / theirs_ms:.3f}")


if __name__ == "__main__":
    main()
