#!/usr/bin/env python3
"""The link check benchmark's server: HTTP/1.1 with keep-alive on 127.0.0.1
to 127.0.0.N (one port each), every reply after a fixed latency.

    link_bench_server.py [--hosts 50] [--latency-ms 20] [--slow-ms 200]

Paths: /ok/K 200; /moved/K 301 to /ok/K; /gone/K 404; /error/K 500;
/cut/K closes the connection without an answer; a path that begins with
/slow answers the same after the slow latency instead. Prints one line of
JSON {"ports": [...]} once listening, then serves until terminated.
"""

import argparse
import asyncio
import json

REASONS = {200: "OK", 301: "Moved Permanently", 404: "Not Found", 500: "Internal Server Error"}


async def handle(reader, writer, latency, slow):
    try:
        while True:
            head = await reader.readuntil(b"\r\n\r\n")
            method, target = head.split(b" ", 2)[:2]
            path = target.decode("latin-1")
            wait = slow if path.startswith("/slow") else latency
            kind = path.removeprefix("/slow").split("/")[1]
            await asyncio.sleep(wait)
            if kind == "cut":
                break
            status = {"ok": 200, "moved": 301, "gone": 404, "error": 500}.get(kind, 404)
            body = b"" if method == b"HEAD" else b"x" * 64
            headers = f"HTTP/1.1 {status} {REASONS[status]}\r\nContent-Length: {64}\r\n"
            if status == 301:
                headers += "Location: " + path.replace("moved", "ok", 1) + "\r\n"
            writer.write(headers.encode() + b"\r\n" + body)
            await writer.drain()
    except (asyncio.IncompleteReadError, ConnectionError, asyncio.LimitOverrunError):
        pass
    finally:
        writer.close()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hosts", type=int, default=50)
    parser.add_argument("--latency-ms", type=float, default=20)
    parser.add_argument("--slow-ms", type=float, default=200)
    args = parser.parse_args()
    latency, slow = args.latency_ms / 1000, args.slow_ms / 1000
    servers = []
    for n in range(1, args.hosts + 1):
        server = await asyncio.start_server(lambda r, w: handle(r, w, latency, slow), f"127.0.0.{n}", 0, backlog=512)
        servers.append(server)
    print(json.dumps({"ports": [s.sockets[0].getsockname()[1] for s in servers]}), flush=True)
    await asyncio.Event().wait()


if __name__ == "__main__":
    asyncio.run(main())
