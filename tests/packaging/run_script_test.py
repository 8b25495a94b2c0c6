#!/usr/bin/env python3
"""scripts/run.sh: the site server it starts answers at the program's fixed
addresses with the site's bytes, stops when the script ends, and the script
refuses clearly when it cannot work. Only loopback ports are used."""

import os
import pathlib
import signal
import socket
import subprocess
import time
import unittest
import urllib.error
import urllib.request

REPO = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = REPO / "scripts/run.sh"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def answers(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def script_env(**extra):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "TAVREN_SITE_PORT")}
    env.update(extra)
    return env


class ServeTest(unittest.TestCase):
    def setUp(self):
        self.port = free_port()
        self.proc = subprocess.Popen([str(SCRIPT), "--serve"], env=script_env(TAVREN_SITE_PORT=str(self.port)),
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        deadline = time.monotonic() + 15
        while not answers(self.port):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.fail(f"server did not come up: {self.proc.communicate()[0]}")
            time.sleep(0.05)

    def tearDown(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.communicate()

    def get(self, rel):
        url = f"http://127.0.0.1:{self.port}/{rel}"
        try:
            with urllib.request.urlopen(url, timeout=5) as r:
                return r.status, r.headers.get_content_type(), r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.headers.get_content_type(), b""

    def test_serves_the_site_files_byte_for_byte(self):
        for rel, content_type in [("soft/tavren/tavren.htm", "text/html"),
                                  ("soft/tavren/list.htm", "text/html"),
                                  ("soft/soft.htm", "text/html"),
                                  ("cm/tavren/0.jpg", "image/jpeg"),
                                  ("cm/tavren/19.jpg", "image/jpeg"),
                                  ("cm/tavren/cm0.txt", "text/plain"),
                                  ("cm/tavren/cm19.txt", "text/plain"),
                                  ("cm/kelm/kelmmsg.txt", "text/plain")]:
            with self.subTest(rel=rel):
                status, got_type, body = self.get(rel)
                self.assertEqual((status, got_type), (200, content_type))
                self.assertEqual(body, (REPO / "site" / rel).read_bytes())

    def test_sample_guides_are_served_from_examples(self):
        guides = [p for p in sorted((REPO / "examples").glob("*")) if p.suffix.lower() in (".lst", ".csv")]
        self.assertTrue(guides, "examples/ holds no sample guide")
        for guide in guides:
            with self.subTest(guide=guide.name):
                status, _, body = self.get(f"guides/{guide.name}")
                self.assertEqual(status, 200)
                self.assertEqual(body, guide.read_bytes())

    def test_missing_banner_is_a_404(self):
        self.assertEqual(self.get("cm/tavren/20.jpg")[0], 404)

    def test_server_stops_with_the_script(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=sig.name):
                if self.proc.poll() is not None:
                    self.setUp()
                self.proc.send_signal(sig)
                out = self.proc.communicate(timeout=10)[0]
                self.assertIn("site server stopped", out)
                self.assertFalse(answers(self.port), "the server outlived the script")


class RefusalTest(unittest.TestCase):
    def run_script(self, *args, **env):
        return subprocess.run([str(SCRIPT), *args], env=script_env(**env), capture_output=True, text=True,
                              timeout=30)

    def test_taken_port_is_refused_without_starting_a_server(self):
        with socket.socket() as holder:
            holder.bind(("127.0.0.1", 0))
            holder.listen()
            port = holder.getsockname()[1]
            result = self.run_script("--serve", TAVREN_SITE_PORT=str(port))
        self.assertEqual(result.returncode, 1)
        self.assertIn(f"port {port} on 127.0.0.1 is already in use", result.stderr)
        self.assertNotIn("serving", result.stdout)

    def test_bad_port_is_refused(self):
        for port in ["abc", "0", "65536", "-1", "80 81"]:
            with self.subTest(port=port):
                result = self.run_script("--serve", TAVREN_SITE_PORT=port)
                self.assertEqual(result.returncode, 1)
                self.assertIn("TAVREN_SITE_PORT must be a port number", result.stderr)

    def test_without_a_display_it_says_how_to_use_xvfb_and_builds_nothing(self):
        started = time.monotonic()
        result = self.run_script(TAVREN_SITE_PORT=str(free_port()))
        self.assertEqual(result.returncode, 1)
        self.assertIn("xvfb-run", result.stderr)
        self.assertLess(time.monotonic() - started, 10)

    def test_unknown_option_shows_usage(self):
        for arg in ["--bogus", "serve"]:
            with self.subTest(arg=arg):
                result = self.run_script(arg)
                self.assertEqual(result.returncode, 2)
                self.assertIn("scripts/run.sh --serve", result.stderr)


if __name__ == "__main__":
    unittest.main()
