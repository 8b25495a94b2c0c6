#!/usr/bin/python3
"""Reads Tavren as a screen reader does and prints what it finds.

Starts a D-Bus session with the accessibility bus (at-spi-bus-launcher), sets
the bus status IsEnabled and ScreenReaderEnabled as a screen reader (Orca)
does, runs the program through scripts/run.sh against the demo site, waits
until the web page has reached the bus, and prints every window of the
program as a tree of "role: name" lines, the page's first heading at the end.

    scripts/a11y-tree.py [--program PATH] [--full] [GUIDE]
    scripts/a11y-tree.py --run COMMAND [ARGS...]

    --program PATH   the program to start (default build/dev/src/app/tavren)
    --full           print the whole page too, not only its document line
    GUIDE            a guide file to open, e.g. examples/onsen.lst
    --run COMMAND    run COMMAND with the bus switched on instead, e.g.
                     scripts/budget.sh --no-build to measure with a screen
                     reader's bus active; exits with its status

Without a display it runs under xvfb-run. It uses Debian's own python3 (for
python3-pyatspi) and the packages at-spi2-core, python3-pyatspi and dbus.
Exit status: 0 when the page's document was read, 1 otherwise.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
PAGE_WAIT_S = 90


def in_session(argv):
    """Runs this script again inside a new D-Bus session (and a virtual X
    server when there is no display); returns its exit status."""
    command = ["/usr/bin/python3", os.path.abspath(__file__)] + argv
    if not os.environ.get("DISPLAY"):
        command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24"] + command
    env = dict(os.environ, TAVREN_A11Y_SESSION="1")
    return subprocess.call(["dbus-run-session", "--"] + command, env=env)


def gdbus(*args):
    return subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus"]
                          + list(args), capture_output=True, text=True, timeout=10)


def switch_bus_on():
    """Starts the accessibility bus and announces a screen reader on it."""
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    for _ in range(100):
        if gdbus("--method", "org.a11y.Bus.GetAddress").returncode == 0:
            break
        time.sleep(0.1)
    else:
        sys.exit("a11y-tree: the accessibility bus did not start")
    for prop in ("IsEnabled", "ScreenReaderEnabled"):
        done = gdbus("--method", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status", prop, "<true>")
        if done.returncode != 0:
            sys.exit(f"a11y-tree: could not set {prop}: {done.stderr.strip()}")
    return launcher


def label(node):
    name = (node.name or "").replace("\n", " ")
    if len(name) > 120:
        name = name[:117] + "..."
    return f"{node.getRoleName()}: {name}"


def find(node, role_name, depth=0):
    """The first node of `role_name` below `node`, depth first, or None."""
    if node is None or depth > 200:
        return None
    if node.getRoleName() == role_name:
        return node
    for child in node:
        found = find(child, role_name, depth + 1)
        if found is not None:
            return found
    return None


def show(node, full, depth=0):
    """Prints `node` and what lies below it; unless `full`, a list's items
    are summed up and a page is printed as its document line alone."""
    print("  " * depth + label(node))
    role = node.getRoleName()
    if role in ("list", "table", "tree table") and node.childCount > 0 and not full:
        items = [child.name for child in node]
        print("  " * (depth + 1) + f"({len(items)} items: {', '.join(items[:3])}{', ...' if len(items) > 3 else ''})")
        return
    if role == "document web" and not full:
        return
    for child in node:
        show(child, full, depth + 1)


def run_with_bus(command):
    launcher = switch_bus_on()
    try:
        return subprocess.call(command)
    finally:
        launcher.terminate()
        launcher.wait(timeout=10)


def read(args):
    import pyatspi  # noqa: E402 (needs the session's bus address first)

    launcher = switch_bus_on()
    run = [os.path.join(REPO, "scripts", "run.sh"), "--program", args.program] + ([args.guide] if args.guide else [])
    program = subprocess.Popen(run, start_new_session=True)
    status = 1
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        deadline = time.monotonic() + PAGE_WAIT_S
        app = document = None
        while time.monotonic() < deadline and program.poll() is None:
            apps = [a for a in desktop if a is not None and (a.name or "").lower().startswith("tavren")]
            app = apps[0] if apps else None
            document = find(app, "document web") if app is not None else None
            if document is not None and document.name:
                break
            time.sleep(1)
        if app is None:
            print("a11y-tree: the program never reached the accessibility bus", file=sys.stderr)
            return 1
        # The page's tree comes over in parts after its load.
        time.sleep(2)
        print(f"application: {app.name}")
        for window in app:
            show(window, args.full, 1)
        document = find(app, "document web")
        if document is None or not document.name:
            print("a11y-tree: no named page document within the wait", file=sys.stderr)
        else:
            heading = find(document, "heading")
            print(f"page: {document.name}")
            print(f"first heading: {heading.name if heading is not None else '(none)'}")
            status = 0
    finally:
        if program.poll() is None:
            os.killpg(program.pid, signal.SIGTERM)
            try:
                program.wait(timeout=20)
            except subprocess.TimeoutExpired:
                os.killpg(program.pid, signal.SIGKILL)
                program.wait()
        launcher.terminate()
        launcher.wait(timeout=10)
    return status


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", default=os.path.join(REPO, "build", "dev", "src", "app", "tavren"))
    parser.add_argument("--full", action="store_true")
    parser.add_argument("guide", nargs="?")
    parser.add_argument("--run", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    args.program = os.path.abspath(args.program)
    if args.guide:
        args.guide = os.path.abspath(args.guide)
    if not args.run and not os.access(args.program, os.X_OK):
        sys.exit(f"a11y-tree: no program at {args.program}")
    for tool in ("dbus-run-session", "gdbus", LAUNCHER):
        if shutil.which(tool) is None:
            sys.exit(f"a11y-tree: {tool} is missing (scripts/deps.sh installs it)")
    if os.environ.get("TAVREN_A11Y_SESSION") != "1":
        return in_session(sys.argv[1:])
    return run_with_bus(args.run) if args.run else read(args)


if __name__ == "__main__":
    sys.exit(main())
