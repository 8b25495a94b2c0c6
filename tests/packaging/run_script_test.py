#!/usr/bin/env python3
"""scripts/run.sh: the site server it starts answers at the program's fixed
addresses with the site's bytes, stops when the script ends, and the script
refuses clearly when it cannot work. Only loopback ports are used."""

import json
import os
import pathlib
import signal
import socket
import subprocess
import tempfile
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


def reap(proc):
    """Kills whatever is left of the script's process group (a server that a
    broken script left behind), so that a failing test leaks nothing."""
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def run_script(*args, **env):
    proc = subprocess.Popen([str(SCRIPT), *args], env=script_env(**env), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, start_new_session=True)
    try:
        out, err = proc.communicate(timeout=60)
    finally:
        reap(proc)
    return subprocess.CompletedProcess(proc.args, proc.returncode, out, err)


def script_env(**extra):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "TAVREN_SITE_PORT")}
    env.update(extra)
    return env


class ServeTest(unittest.TestCase):
    def setUp(self):
        self.port = free_port()
        self.proc = subprocess.Popen([str(SCRIPT), "--serve"], env=script_env(TAVREN_SITE_PORT=str(self.port)),
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                     start_new_session=True)
        deadline = time.monotonic() + 15
        while not answers(self.port):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.fail(f"server did not come up: {self.proc.communicate()[0]}")
            time.sleep(0.05)

    def tearDown(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.communicate(timeout=10)
        reap(self.proc)

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
                server_gone = not answers(self.port)
                reap(self.proc)
                self.assertIn("site server stopped", out)
                self.assertTrue(server_gone, "the server outlived the script")


# Stands in for Tavren: records where and how it was started and what the site
# answered while it ran, then ends with the status it is given.
FAKE_PROGRAM = """#!/usr/bin/env python3
import json, os, sys, urllib.request
port = os.environ["TAVREN_SITE_PORT"]
notice = urllib.request.urlopen(f"http://127.0.0.1:{port}/cm/kelm/kelmmsg.txt", timeout=5).read()
json.dump({"cwd": os.getcwd(), "args": sys.argv[1:], "sandbox_off": os.environ.get("QTWEBENGINE_DISABLE_SANDBOX"),
           "notice": notice.decode("cp932"), "guides": sorted(os.listdir("examples"))},
          open(os.environ["FAKE_REPORT"], "w"))
sys.exit(int(os.environ["FAKE_STATUS"]))
"""


class ProgramRunTest(unittest.TestCase):
    def test_program_runs_in_its_folder_with_the_site_up_and_its_status_is_passed_on(self):
        # A guide named relative to where the script is started reaches the
        # program as an absolute path, since the program runs elsewhere.
        for status, guide in ((0, []), (7, ["examples/onsen.lst"])):
            with self.subTest(status=status), tempfile.TemporaryDirectory() as tmp:
                tmp = pathlib.Path(tmp)
                fake = tmp / "tavren"
                fake.write_text(FAKE_PROGRAM)
                fake.chmod(0o755)
                port = free_port()
                proc = subprocess.Popen(
                    [str(SCRIPT), "--program", str(fake), *guide], stdout=subprocess.PIPE,
                    stderr=subprocess.PIPE, text=True, start_new_session=True, cwd=REPO,
                    env=script_env(DISPLAY=":0", TAVREN_SITE_PORT=str(port), TAVREN_RUN_DIR=str(tmp / "run"),
                                   FAKE_REPORT=str(tmp / "report.json"), FAKE_STATUS=str(status)))
                out, err = proc.communicate(timeout=60)
                server_gone = not answers(port)
                reap(proc)
                result = subprocess.CompletedProcess(proc.args, proc.returncode, out, err)
                self.assertEqual(result.returncode, status, result.stderr)
                report = json.loads((tmp / "report.json").read_text())
                self.assertEqual(report["cwd"], str(tmp / "run"))
                self.assertEqual(report["args"], [str(REPO / g) for g in guide])
                self.assertEqual(report["notice"].encode("cp932"),
                                 (REPO / "site/cm/kelm/kelmmsg.txt").read_bytes())
                self.assertEqual(report["guides"], sorted(os.listdir(REPO / "examples")))
                as_root = os.geteuid() == 0
                self.assertEqual(report["sandbox_off"], "1" if as_root else None)
                self.assertEqual("sandbox is switched off" in result.stderr, as_root)
                self.assertIn("site server stopped", result.stdout)
                self.assertTrue(server_gone, "the server outlived the program")

    def test_missing_program_is_refused(self):
        result = run_script("--program", "/nonexistent/tavren", DISPLAY=":0")
        self.assertEqual(result.returncode, 1)
        self.assertIn("no program to start at /nonexistent/tavren", result.stderr)


class RefusalTest(unittest.TestCase):
    def test_taken_port_is_refused_without_starting_a_server(self):
        with socket.socket() as holder:
            holder.bind(("127.0.0.1", 0))
            holder.listen()
            port = holder.getsockname()[1]
            result = run_script("--serve", TAVREN_SITE_PORT=str(port))
        self.assertEqual(result.returncode, 1)
        self.assertIn(f"port {port} on 127.0.0.1 is already in use", result.stderr)
        self.assertNotIn("serving", result.stdout)

    def test_bad_port_is_refused(self):
        for port in ["abc", "0", "65536", "-1", "80 81"]:
            with self.subTest(port=port):
                result = run_script("--serve", TAVREN_SITE_PORT=port)
                self.assertEqual(result.returncode, 1)
                self.assertIn("TAVREN_SITE_PORT must be a port number", result.stderr)

    def test_without_a_display_it_says_how_to_use_xvfb_and_builds_nothing(self):
        started = time.monotonic()
        result = run_script(TAVREN_SITE_PORT=str(free_port()))
        self.assertEqual(result.returncode, 1)
        self.assertIn("xvfb-run", result.stderr)
        self.assertLess(time.monotonic() - started, 10)

    def test_unknown_option_shows_usage(self):
        for args in [["--bogus"], ["serve"], ["--program"], ["--serve", "extra"], ["--program", "a", "b", "c"]]:
            with self.subTest(args=args):
                result = run_script(*args)
                self.assertEqual(result.returncode, 2)
                self.assertIn("scripts/run.sh --serve", result.stderr)


if __name__ == "__main__":
    unittest.main()
