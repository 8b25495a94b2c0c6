#!/usr/bin/env python3
"""Serves a folder over HTTP on one loopback port and logs every request.

Each request becomes one JSON line in the log file, written as soon as the
request line and headers have been read (before the answer goes out):
  {"t": epoch seconds, "method": "GET", "path": "/cm/kelm/kelmmsg.txt",
   "version": "HTTP/1.1", "agent": "...", "status": 200}
Lines are written under one lock, in the order the requests were read, so a
test can assert the order in which the site was asked for things.

Prints "ready <port>" on stdout once it listens; exits 3 when the port cannot
be bound (taken by something else).
"""

import argparse
import functools
import http.server
import json
import sys
import threading
import time


def code_number(code):
    try:
        return int(code)
    except (TypeError, ValueError):
        return str(code)


class LoggingHandler(http.server.SimpleHTTPRequestHandler):
    # Persistent connections, as a real site keeps them. An HTTP/1.0 answer
    # without "Connection: close" (what http.server gives by default) lets a
    # client that reuses connections send its next request into one the
    # server is about to close, and fail at random.
    protocol_version = "HTTP/1.1"
    log_lock = threading.Lock()
    log_file = None

    def parse_request(self):
        self.received_at = time.time()
        return super().parse_request()

    def log_request(self, code="-", size="-"):
        entry = {
            "t": getattr(self, "received_at", time.time()),
            "method": self.command,
            "path": self.path,
            "version": self.request_version,
            "agent": self.headers.get("User-Agent", "") if self.headers else "",
            "client_port": self.client_address[1],
            "status": code_number(code),
        }
        with self.log_lock:
            self.log_file.write(json.dumps(entry) + "\n")
            self.log_file.flush()

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        # The JSON log says everything; keep stderr for real trouble.
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="folder to serve")
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--log", required=True, help="JSON-lines request log")
    args = parser.parse_args()

    LoggingHandler.log_file = open(args.log, "w", encoding="utf-8")
    handler = functools.partial(LoggingHandler, directory=args.root)
    try:
        server = http.server.ThreadingHTTPServer((args.bind, args.port), handler)
    except OSError as error:
        print(f"cannot listen on {args.bind}:{args.port}: {error}", file=sys.stderr, flush=True)
        return 3
    server.daemon_threads = True
    print(f"ready {server.server_address[1]}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
