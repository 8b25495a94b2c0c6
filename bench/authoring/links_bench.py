#!/usr/bin/env python3
"""The link check benchmark: tavren-guide links on a guide of loopback
addresses against link_bench_server.py, its latency floor, and Debian's
linkchecker on an HTML page of the same kind of addresses, in the same run.

    links_bench.py [--addresses 10000] [--linkchecker-addresses 1000] TAVREN_GUIDE

50 hosts (127.0.0.1-50), 20 ms per reply, one address in twelve 200 ms;
answers mix 200, 301 -> 200, 404, 500 and a cut connection. The floor is
the latency of every request (redirect hops included) divided by the 32
connections. linkchecker (GET, --check-extern, 32 threads, its per-host rate
limit lifted through maxrequestspersecond) runs on the first
--linkchecker-addresses addresses and its checking time (its time on that
page less its time on a page of one link) is scaled to the full set, since
on 10,000 it alone would take about two minutes; without linkchecker its
figures are left out. Prints "name value" lines.
"""

import argparse
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
HOSTS, LATENCY, SLOW, CONNECTIONS = 50, 0.020, 0.200, 32


def address(k, ports):
    """The k-th address and (requests, latency of each, dead?)."""
    host = k % HOSTS
    mix = k % 20
    kind = "ok" if mix < 12 else "moved" if mix < 14 else "gone" if mix < 16 else "error" if mix < 18 else \
        "cut" if mix == 18 else "ok"
    slow = k % 12 == 11
    path = ("/slow" if slow else "") + f"/{kind}/{k}"
    requests = 2 if kind == "moved" else 1
    return (f"http://127.0.0.{host + 1}:{ports[host]}{path}", requests, SLOW if slow else LATENCY,
            kind in ("gone", "error", "cut"))


def timed(command, **kwargs):
    """Wall seconds and peak RSS (MB) of one process."""
    start = time.perf_counter()
    process = subprocess.Popen(command, **kwargs)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return time.perf_counter() - start, usage.ru_maxrss * 1024 / 1e6, process.returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--addresses", type=int, default=10000)
    parser.add_argument("--linkchecker-addresses", type=int, default=1000)
    parser.add_argument("tavren_guide")
    args = parser.parse_args()
    env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
    work = pathlib.Path(tempfile.mkdtemp(prefix="tavren-links-bench-"))
    server = subprocess.Popen([sys.executable, str(HERE / "link_bench_server.py"), "--hosts", str(HOSTS)],
                              stdout=subprocess.PIPE, text=True)
    try:
        ports = json.loads(server.stdout.readline())["ports"]
        rows = [address(k, ports) for k in range(args.addresses)]
        guide = work / "links.lst"
        lines = ["/,bench,bench," + rows[0][0], "*,,M", "+,,m"]
        lines += [f"0,0,t{k},{url},n" for k, (url, *_rest) in enumerate(rows)]
        guide.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp932"))
        floor = sum(r[1] * r[2] for r in rows) / CONNECTIONS

        out = work / "links.jsonl"
        with open(out, "w") as sink:
            wall, rss, status = timed([args.tavren_guide, "links", "--json", str(guide)], stdout=sink,
                                      stderr=subprocess.DEVNULL, env=env)
        results = [json.loads(line) for line in out.read_text().splitlines()]
        correct = len(results) == len(rows) and all(
            (r["result"] == "dead") == row[3] for r, row in zip(results, rows)) and status == 1
        print(f"links_addresses {len(rows)}")
        print(f"links_wall_s {wall:.2f}")
        print(f"links_floor_s {floor:.2f}")
        print(f"links_to_floor_ratio {wall / floor:.3f}")
        print(f"links_peak_rss_mb {rss:.1f}")
        print(f"links_results_correct {1 if correct else 0}")

        linkchecker = shutil.which("linkchecker")
        if linkchecker:
            n = max(2, min(args.linkchecker_addresses, len(rows)))
            # linkchecker drops root's rights to "nobody", who must read these.
            work.chmod(0o755)
            page = work / "links.html"
            page.write_text("<html><body>\n" + "".join(f'<a href="{r[0]}">{k}</a>\n' for k, r in enumerate(rows[:n]))
                            + "</body></html>\n")
            # A page without links makes linkchecker wait half a minute for
            # nothing; one link measures its start-up.
            empty = work / "one.html"
            empty.write_text(f'<html><body><a href="{rows[0][0]}">0</a></body></html>\n')
            config = work / "linkcheckerrc"
            config.write_text("[checking]\nthreads=32\nmaxrequestspersecond=100000\n"
                              "[filtering]\ncheckextern=1\n[output]\nstatus=0\n")
            for f in (page, empty, config):
                f.chmod(0o644)

            def run_linkchecker(html):
                return timed([linkchecker, "-f", str(config), "--check-extern", "-t", "32", "--no-status",
                              "--no-warnings", "-o", "none", str(html)],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env, cwd=work)

            # Its start-up is paid once however many addresses: only the
            # checking part is scaled to the full set.
            lc_start, _, _ = run_linkchecker(empty)
            lc_wall, lc_rss, _ = run_linkchecker(page)
            scaled = lc_start + (lc_wall - lc_start) * (len(rows) - 1) / (n - 1)
            print(f"linkchecker_addresses {n}")
            print(f"linkchecker_wall_s {lc_wall:.2f}")
            print(f"linkchecker_startup_s {lc_start:.2f}")
            print(f"linkchecker_scaled_wall_s {scaled:.2f}")
            print(f"linkchecker_peak_rss_mb {lc_rss:.1f}")
            print(f"links_to_linkchecker_ratio {wall / scaled:.3f}")
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
