#!/usr/bin/env python3
"""Loopback server for the link check tests: every kind of answer, over HTTP
on 127.0.0.1 and further 127.0.0.x hosts, and over HTTPS with the
certificate the test made. Prints one JSON line with its ports, then serves
until it is terminated."""
import argparse, json, os, socket, ssl, sys, threading, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

answered = {}  # path -> times asked, for the answers that change
lock = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, headers=(), body=b""):
        self.send_response(status)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def answer(self):
        path = self.path.split("?")[0]
        with lock:
            answered[self.path] = answered.get(self.path, 0) + 1
            times = answered[self.path]
        if path == "/ok":
            if "delay" in self.path:
                time.sleep(0.05)
            return self.reply(200, body=b"ok")
        if path == "/moved":
            return self.reply(301, [("Location", "/ok")])
        if path == "/found":
            return self.reply(302, [("Location", "/moved")])
        if path == "/moved-dead":
            return self.reply(301, [("Location", "/gone")])
        if path == "/gone":
            return self.reply(404, body=b"gone")
        if path == "/error":
            return self.reply(500)
        if path == "/loop":
            return self.reply(302, [("Location", "/loop")])
        if path in ("/no-head", "/no-head-impl", "/no-head-gone"):
            if self.command == "HEAD":
                return self.reply(405 if path != "/no-head-impl" else 501)
            return self.reply(404 if path == "/no-head-gone" else 200, body=b"x" * 1000000)
        if path in ("/busy", "/limited"):
            if times == 1:
                return self.reply(503 if path == "/busy" else 429, [("Retry-After", "1")])
            return self.reply(200)
        if path == "/always-busy":
            return self.reply(503, [("Retry-After", "120")])
        if path == "/slow":
            time.sleep(60)
            return self.reply(200)
        if path == "/cut":
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        return self.reply(404)

    do_HEAD = answer
    do_GET = answer


class Server(ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # a client that hangs up early is part of the test


def serve(host, context=None):
    server = Server((host, 0), Handler)
    server.daemon_threads = True
    if context:
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--hosts", type=int, default=5)
    args = parser.parse_args()
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    ports = {
        "pid": os.getpid(),
        "http": serve("127.0.0.1"),
        "https": serve("127.0.0.1", context),
        # The certificate names 127.0.0.1 only.
        "https_wrong_name": serve("127.0.0.9", context),
        "hosts": [serve("127.0.0.%d" % (10 + i)) for i in range(args.hosts)],
    }
    print(json.dumps(ports), flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
