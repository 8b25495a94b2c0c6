#!/usr/bin/env python3
"""End-to-end run of the real program against the demo site on loopback.

Serves the site folder on the build's site root (127.0.0.1, a fixed port)
with SiteServer.py, starts the test build of the program (its driver picks a
guide through the open dialog, clicks a category pair and a page, waits for a
banner tick, presses the banner and ends the program with "終了") on the
current X display or on an Xvfb of its own, then checks the site's request
log, the driver's report, the banner file and the screenshots.

Exit status: 0 when every check passed, 1 when one failed, 77 when the test
cannot run here (the site's port is taken, the site root is not loopback).
"""

import argparse
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import time
import urllib.parse

SKIP = 77
HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM_LIMIT_S = 150
NOTICE_PATH = "/cm/kelm/kelmmsg.txt"
HOME_PATH = "/soft/tavren/tavren.htm"
# The user agent of the program's own fetcher; the web view sends a browser's.
FETCHER_AGENT = "Mozilla/3.0 (compatible; Indy Library)"
# The driver's screenshots, in the order it takes them.
SHOT_FILES = ["1-notice-window.png", "1-start-up.png", "2-open-dialog.png", "3-guide-loaded.png",
              "4-page-picked.png", "5-banner-tick.png", "6-banner-link.png"]


def skip(why):
    print(f"e2e: SKIPPED: {why}", flush=True)
    sys.exit(SKIP)


# --- the guide file, split as the program splits it ---
# Lines end at LF (CR LF); blanks (code points up to 0x20) separate fields
# like commas outside quotes; a field that begins with a quote runs to the
# closing quote, doubled quotes standing for one. Working on decoded text is
# exact for a well-formed Shift-JIS file, whose two-byte characters never
# hold a blank, comma or quote.

def split_line(line):
    line = line.split("\0", 1)[0]
    fields, i, n = [], 0, len(line)

    def skip_blanks(i):
        while i < n and ord(line[i]) <= 0x20:
            i += 1
        return i

    i = skip_blanks(i)
    while i < n:
        if line[i] == '"':
            text, i = "", i + 1
            while i < n:
                if line[i] == '"':
                    if i + 1 < n and line[i + 1] == '"':
                        text, i = text + '"', i + 2
                        continue
                    i += 1
                    break
                text, i = text + line[i], i + 1
            fields.append(text)
        else:
            start = i
            while i < n and line[i] != "," and ord(line[i]) > 0x20:
                i += 1
            fields.append(line[start:i])
        i = skip_blanks(i)
        if i < n and line[i] == ",":
            if i == n - 1:
                fields.append("")
            i = skip_blanks(i + 1)
    return fields


def read_guide(path):
    text = open(path, "rb").read().decode("cp932")
    lines = text.replace("\r\n", "\n").replace("\r", "").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    guide = {"header": None, "majors": [], "middles": [], "pages": []}
    for row in map(split_line, lines):
        if row[0] == "/":
            guide["header"] = row
        elif row[0] == "*":
            guide["majors"].append(row[2])
        elif row[0] == "+":
            guide["middles"].append(row[2])
        else:
            guide["pages"].append({"major": int(row[0]), "middle": int(row[1]), "title": row[2],
                                   "address": row[3], "note": row[4]})
    return guide


def pick_scenario(guide, site_root):
    """The last page of the guide that lies on the demo site, with its pair."""
    on_site = [page for page in guide["pages"] if page["address"].startswith(site_root)]
    if not on_site:
        raise SystemExit(f"e2e: the guide has no page under {site_root}")
    page = on_site[-1]
    return {"major": guide["majors"][page["major"]], "middle": guide["middles"][page["middle"]], "page": page}


def titles_of(guide, major, middle):
    return [p["title"] for p in guide["pages"] if p["major"] == major and p["middle"] == middle]


# --- processes ---

def start_server(site, host, port, log, errors):
    """Starts SiteServer.py; its own troubles (a handler's traceback) go to
    the file `errors`."""
    with open(errors, "w") as error_file:
        server = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "SiteServer.py"), "--root", site, "--bind", host,
             "--port", str(port), "--log", log],
            stdout=subprocess.PIPE, stderr=error_file, text=True)
    line = server.stdout.readline()
    if not line.startswith("ready"):
        server.wait()
        error = open(errors).read().strip()
        if server.returncode == 3:
            skip(f"port {port} on {host} is taken by another program ({error}); "
                 "the program's site root is fixed when it is built, so this test needs that port. "
                 "Stop whatever listens there (scripts/run.sh?) and run the test again.")
        raise SystemExit(f"e2e: the site server did not start: {error}")
    return server


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip():
        xvfb.kill()
        raise SystemExit("e2e: Xvfb did not start")
    return xvfb, ":" + number.decode().strip()


def stop(process, group=False):
    """Ends a process this script started; with `group`, also whatever is
    left of its session (the program's web engine helpers)."""
    if process is None:
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if process.poll() is not None:
            break
        try:
            if group:
                os.killpg(process.pid, sig)
            else:
                process.send_signal(sig)
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            continue
        except ProcessLookupError:
            break
    if group:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


# --- reading what happened ---

def read_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def observed(report, key):
    for entry in report:
        if entry.get("event") == "observe" and entry.get("key") == key:
            return entry["value"]
    return None


def observed_at(report, key):
    for entry in report:
        if entry.get("event") == "observe" and entry.get("key") == key:
            return entry["t"]
    return None


def click_time(report, control):
    times = [e["t"] for e in report if e.get("event") == "click" and e.get("control") == control]
    return times[-1] if times else None


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def colour_count(path):
    if shutil.which("identify") is None:
        return None
    result = subprocess.run(["identify", "-format", "%k", path], capture_output=True, text=True)
    return int(result.stdout) if result.returncode == 0 and result.stdout.isdigit() else None


def slot_at(t):
    return time.localtime(t).tm_min // 3


# --- the run ---

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--site", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--site-root", required=True)
    parser.add_argument("--interval-ms", type=int, required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--guide", default="onsen.lst")
    args = parser.parse_args()
    for name in ("program", "site", "examples", "work", "shots"):
        setattr(args, name, os.path.abspath(getattr(args, name)))

    root = urllib.parse.urlsplit(args.site_root)
    if root.scheme != "http" or root.hostname != "127.0.0.1" or root.path != "/":
        skip(f"the build's site root {args.site_root} is not http://127.0.0.1:PORT/, "
             "so no loopback server can stand in for it")
    port = root.port or 80
    shots = os.environ.get("TAVREN_E2E_SHOTS") or args.shots

    guide_path = os.path.join(args.examples, args.guide)
    guide = read_guide(guide_path)
    scenario = pick_scenario(guide, args.site_root)

    # The program runs in a folder of its own, where it writes tavren.jpg; the
    # sample guides are at hand there as they are for scripts/run.sh.
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    os.symlink(os.path.abspath(args.examples), os.path.join(args.work, "examples"))
    os.makedirs(shots, exist_ok=True)
    # Only the pictures a run makes: the folder may be shared with other output.
    for old in os.listdir(shots):
        if old in SHOT_FILES or (old.startswith(("error-box-", "failure")) and old.endswith(".png")):
            os.remove(os.path.join(shots, old))
    server_log = os.path.join(args.work, "site-requests.jsonl")
    report_path = os.path.join(args.work, "driver-report.jsonl")
    server_errors = os.path.join(args.work, "site-server-errors.txt")

    server = xvfb = program = None
    status = None
    try:
        server = start_server(args.site, "127.0.0.1", port, server_log, server_errors)
        env = dict(os.environ)
        if not env.get("DISPLAY"):
            xvfb, env["DISPLAY"] = start_xvfb()
        env.pop("WAYLAND_DISPLAY", None)
        env["QT_QPA_PLATFORM"] = "xcb"
        # CI runs as root, where the web engine needs its sandbox off.
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        env.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu")
        env.setdefault("QT_LOGGING_RULES", "qt.webenginecontext.info=false")
        env.update({
            # The program keeps its browser session in the XDG folders; the
            # run keeps it inside its work folder.
            "XDG_DATA_HOME": os.path.join(args.work, "xdg-data"),
            "XDG_CACHE_HOME": os.path.join(args.work, "xdg-cache"),
            "TAVREN_E2E_REPORT": report_path,
            "TAVREN_E2E_SHOTS": shots,
            "TAVREN_E2E_GUIDE": os.path.join("examples", args.guide),
            "TAVREN_E2E_PICK": "|".join([scenario["major"], scenario["middle"], scenario["page"]["title"]]),
            "TAVREN_E2E_TICK_WAIT_MS": str(args.interval_ms + 45000),
        })
        print(f"e2e: serving {args.site} at {args.site_root}; display {env['DISPLAY']}; "
              f"program {args.program} in {args.work}", flush=True)
        started = time.time()
        program = subprocess.Popen([args.program], cwd=args.work, env=env, start_new_session=True)
        try:
            status = program.wait(timeout=PROGRAM_LIMIT_S)
        except subprocess.TimeoutExpired:
            print(f"e2e: the program did not end within {PROGRAM_LIMIT_S} s; killed", flush=True)
        print(f"e2e: the program ran {time.time() - started:.1f} s, exit status {status}", flush=True)
    finally:
        stop(program, group=True)
        stop(server)
        stop(xvfb)
    if os.path.exists(server_errors) and os.path.getsize(server_errors) > 0:
        print(f"e2e: the site server reported trouble ({server_errors}):\n" + open(server_errors).read(), flush=True)

    return check(args, guide, scenario, status, read_lines(server_log), read_lines(report_path), shots)


def is_fetcher(request):
    """True for a request of the program's own HTTP fetcher, False for the web view's."""
    return request.get("agent", "") == FETCHER_AGENT


def check(args, guide, scenario, status, requests, report, shots):
    interval = args.interval_ms / 1000.0
    paths = [r["path"] for r in requests]
    # The program's own fetches, apart from the web view's (a banner's link
    # page shows the banner picture too): the fetcher names itself.
    fetches = [r for r in requests if is_fetcher(r)]
    banner = [r for r in fetches if r["path"].startswith("/cm/tavren/")]
    notices = [r for r in fetches if r["path"] == NOTICE_PATH]
    home = [r for r in requests if r["path"] == HOME_PATH]
    page = scenario["page"]
    page_path = urllib.parse.urlsplit(page["address"]).path
    major_index = guide["majors"].index(scenario["major"])
    middle_index = guide["middles"].index(scenario["middle"])
    header = guide["header"]
    notice_text = open(os.path.join(args.site, "cm/kelm/kelmmsg.txt"), "rb").read().decode("cp932")
    notice_text = notice_text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\r\n")

    loaded = observed(report, "loaded") or {}
    after_major = observed(report, "major-picked") or {}
    after_middle = observed(report, "middle-picked") or {}
    after_page = observed(report, "page-picked") or {}
    tick = observed(report, "banner") or {}
    notices_seen = observed(report, "notices") or []
    dialog = observed(report, "open-dialog") or {}
    page_click = click_time(report, "ListBox3")
    banner_click = click_time(report, "Image1")

    # The ticks as the site saw them: each picture request and the link
    # request that follows it.
    # The ticks as the site saw them: the program's banner fetches, read two
    # by two, each a picture and then the link of the same slot.
    ticks = []
    for picture, link in zip(banner[0::2], banner[1::2] + [None]):
        name = picture["path"][len("/cm/tavren/"):]
        slot = int(name[:-4]) if name.endswith(".jpg") and name[:-4].isdigit() else None
        ticks.append({"t": picture["t"], "picture": picture["path"], "slot": slot,
                      "link": link["path"] if link else None,
                      "ports": (picture.get("client_port"), link.get("client_port") if link else None)})
    last_link_before_press = None
    for r in banner:
        if r["path"].endswith(".txt") and banner_click is not None and r["t"] <= banner_click:
            last_link_before_press = r["path"]

    def requested_after(path, since):
        return since is not None and any(r["path"] == path and r["t"] >= since - 0.05 for r in requests)

    def slot_right(t, slot):
        # The program reads its clock just before the request goes out.
        return slot in (slot_at(t), slot_at(t - 2))

    banner_file = os.path.join(args.work, "tavren.jpg")
    last_picture = os.path.join(args.site, f"cm/tavren/{ticks[-1]['slot']}.jpg") if ticks else None
    link_slot = int(last_link_before_press[len("/cm/tavren/cm"):-4]) if last_link_before_press else None
    link_text = (open(os.path.join(args.site, f"cm/tavren/cm{link_slot}.txt"), "rb").read().decode("cp932")
                 if link_slot is not None else None)

    shot_paths = [os.path.join(shots, name) for name in SHOT_FILES]

    checks = [
        ("the program ended through 終了 with status 0",
         status == 0 and any(e.get("event") == "done" for e in report), f"status {status}"),
        ("the driver finished every step",
         not [e for e in report if e.get("event") == "fail"],
         [e for e in report if e.get("event") == "fail"]),
        ("no error box opened",
         not [e for e in report if e.get("event") == "error-box"],
         [e["text"] for e in report if e.get("event") == "error-box"]),
        ("the notice text was fetched exactly twice", len(notices) == 2, f"{len(notices)} fetches"),
        ("both notice fetches came before the home page",
         bool(home) and len([n for n in notices if n["t"] <= home[0]["t"]]) == 2,
         [p for p in paths if p in (NOTICE_PATH, HOME_PATH)]),
        ("both notice windows show the site's notice text",
         len(notices_seen) == 2 and all(n["memo"] == notice_text and n["visible"] for n in notices_seen),
         notices_seen),
        ("the open dialog offers only the guide filter",
         dialog.get("objectName") == "OpenDialog1" and dialog.get("filters") == ["Tavren用ファイル (*.lst *.csv)"],
         dialog),
        ("the load lists every category and page of the guide",
         loaded.get("ListBox1") == guide["majors"] and loaded.get("ListBox2") == guide["middles"]
         and loaded.get("ListBox3") == [p["title"] for p in guide["pages"]]
         and loaded.get("ListBox4") == [p["address"] for p in guide["pages"]]
         and loaded.get("ListBox5") == [p["note"] for p in guide["pages"]], loaded),
        ("the header record sets the caption and the guide button",
         str(loaded.get("caption", "")).startswith(
             f"{header[1]}のホームページガイドブックです。　{header[2]} が、ご案内します。　　　　　　（ｃ）")
         and loaded.get("Button1") == f"ガイド : {header[2]}のページ",
         (loaded.get("caption"), loaded.get("Button1"))),
        ("a major category click keeps the pages of that major and the first middle",
         after_major.get("ListBox3") == titles_of(guide, major_index, 0), after_major.get("ListBox3")),
        ("a middle category click keeps the pages of the pair",
         after_middle.get("ListBox3") == titles_of(guide, major_index, middle_index)
         and after_middle.get("ListBox2") == guide["middles"], after_middle.get("ListBox3")),
        ("the picked page is loaded from the site after the pick",
         requested_after(page_path, page_click), page_path),
        ("the web view shows the picked page", observed(report, "page-url") == page["address"],
         observed(report, "page-url")),
        ("the note label shows the picked page's note", after_page.get("Label3") == page["note"],
         after_page.get("Label3")),
        ("the banner ticked: each tick fetched its picture, then its link",
         bool(ticks) and all(t["slot"] is not None and t["link"] == f"/cm/tavren/cm{t['slot']}.txt" for t in ticks),
         [(t["picture"], t["link"]) for t in ticks]),
        # The site keeps connections open, so the link goes over the
        # picture's connection.
        ("each tick's link fetch reused the picture's connection",
         bool(ticks) and all(t["ports"][0] is not None and t["ports"][0] == t["ports"][1] for t in ticks),
         [t["ports"] for t in ticks]),
        ("each tick's slot is the minute of the hour divided by 3",
         bool(ticks) and all(t["slot"] is not None and slot_right(t["t"], t["slot"]) for t in ticks),
         [(time.strftime("%H:%M:%S", time.localtime(t["t"])), t["slot"]) for t in ticks]),
        ("the first tick came one interval after the main window was made, not before",
         # A coarse timer may fire up to 5 % of its interval early.
         bool(ticks) and len(notices) == 2 and ticks[0]["t"] - notices[0]["t"] >= interval * 0.95 - 0.1
         and ticks[0]["t"] <= notices[1]["t"] + interval + 5,
         f"first picture {ticks[0]['t'] - notices[0]['t']:.1f} s after the first notice fetch" if ticks and notices
         else "no tick"),
        # Looked at once the home page is on show; on a slow machine the first
        # tick may already have come by then, and there is nothing to see.
        ("the banner was empty before the first tick",
         observed(report, "banner-before-tick") is False
         or (bool(ticks) and ticks[0]["t"] < (observed_at(report, "banner-before-tick") or 0)),
         observed(report, "banner-before-tick")),
        ("the banner shows a 273 × 81 picture", (tick.get("width"), tick.get("height")) == (273, 81), tick),
        ("tavren.jpg in the working folder holds the last slot's picture",
         last_picture is not None and os.path.exists(banner_file) and os.path.exists(last_picture)
         and open(banner_file, "rb").read() == open(last_picture, "rb").read(),
         f"{banner_file} vs {last_picture}"),
        ("NoticeUrl holds the link file of the tick before the press, unchanged",
         link_text is not None and tick.get("NoticeUrl") == link_text, (tick.get("NoticeUrl"), link_text)),
        ("the banner press loads the link from the site",
         link_text is not None and requested_after(urllib.parse.urlsplit(link_text).path, banner_click)
         and observed(report, "banner-url") == link_text, observed(report, "banner-url")),
        ("every screenshot was saved as a picture with content, at least the notice window's size",
         all(os.path.exists(p) and png_size(p) is not None and png_size(p)[0] >= 575 and png_size(p)[1] >= 313
             and (colour_count(p) is None or colour_count(p) > 16) for p in shot_paths),
         [(p, png_size(p) if os.path.exists(p) else "missing") for p in shot_paths]),
    ]

    print("e2e: site requests, in order:")
    for r in requests:
        who = "program" if is_fetcher(r) else "web view"
        print(f"  {time.strftime('%H:%M:%S', time.localtime(r['t']))}.{int(r['t'] % 1 * 1000):03d} "
              f"{who:8} {r['method']} {r['path']} -> {r['status']}")
    print("e2e: screenshots:")
    for entry in report:
        if entry.get("event") == "shot":
            print(f"  {entry['path']}" + ("" if entry.get("saved") else "  (could not be saved)"))
    failed = 0
    for name, ok, detail in checks:
        print(f"e2e: {'PASS' if ok else 'FAIL'}: {name}" + ("" if ok else f"\n      got: {detail}"), flush=True)
        failed += 0 if ok else 1
    print(f"e2e: {len(checks) - failed} of {len(checks)} checks passed; report {args.work}/driver-report.jsonl")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
