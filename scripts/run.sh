#!/usr/bin/env bash
# Builds Tavren and runs it against the demo copy of the maker's site.
#
#   scripts/run.sh          install what is missing, build the release preset,
#                           serve site/ on 127.0.0.1:8372, start Tavren, and stop
#                           the server when Tavren ends
#   scripts/run.sh --program PATH [GUIDE]
#                           the same without installing or building: start the
#                           program at PATH, e.g. build/dev/src/app/tavren, with
#                           the guide file GUIDE to open, e.g. examples/onsen.lst
#   scripts/run.sh --serve  only serve site/ (until Ctrl+C), e.g. for a Tavren
#                           started from a debugger
#
# Tavren runs in build/run/ (TAVREN_RUN_DIR to change it), where it writes its
# banner file and finds the sample guides under examples/. TAVREN_SITE_PORT
# overrides the port (the program's site root is fixed when it is built, so
# change both together: -DTAVREN_SITE_ROOT=http://127.0.0.1:PORT/).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
host=127.0.0.1
port=${TAVREN_SITE_PORT:-8372}
mode=run
program=""
guide=()

usage() { sed -n '2,18s/^# \{0,1\}//p' "$0"; }
die() { echo "run.sh: $*" >&2; exit 1; }

case "${1:-}" in
  "") ;;
  --serve) mode=serve ;;
  --program)
    [[ ($# -eq 2 || $# -eq 3) && -n $2 ]] || { usage >&2; exit 2; }
    program=$(realpath -m -- "$2")
    [[ -x $program && -f $program ]] || die "no program to start at $2"
    # Made absolute here: the program runs in a folder of its own.
    [[ $# -eq 3 ]] && guide=("$(realpath -m -- "$3")")
    ;;
  -h | --help) usage; exit 0 ;;
  *) usage >&2; exit 2 ;;
esac
[[ $mode == serve && $# -gt 1 ]] && { usage >&2; exit 2; }
[[ $port =~ ^[0-9]+$ ]] && ((port > 0 && port < 65536)) || die "TAVREN_SITE_PORT must be a port number (got \"$port\")"

# Exit status 0 once something answers HTTP on the port.
site_answers() {
  python3 - "$host" "$port" <<'EOF'
import sys, urllib.request
try:
    urllib.request.urlopen(f"http://{sys.argv[1]}:{sys.argv[2]}/soft/tavren/tavren.htm", timeout=1).read()
except Exception:
    sys.exit(1)
EOF
}

port_taken() {
  python3 - "$host" "$port" <<'EOF'
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)  # as http.server does
try:
    s.bind((sys.argv[1], int(sys.argv[2])))
except OSError:
    sys.exit(0)
sys.exit(1)
EOF
}

server_pid=""
stop_server() {
  if [[ -n $server_pid ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    echo "run.sh: site server stopped"
  fi
  server_pid=""
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Serves site/ in the background and returns once it answers.
start_server() {
  local log=$1
  if port_taken; then
    die "port $port on $host is already in use (another run.sh, or another server?): stop it first, or pick another port with TAVREN_SITE_PORT"
  fi
  python3 -m http.server "$port" --bind "$host" --directory "$repo/site" >"$log" 2>&1 &
  server_pid=$!
  local tries
  for tries in $(seq 1 100); do
    if ! kill -0 "$server_pid" 2>/dev/null; then
      server_pid=""
      cat "$log" >&2
      die "the site server on $host:$port did not start (see above)"
    fi
    if site_answers; then
      echo "run.sh: serving $repo/site at http://$host:$port/ (log: $log)"
      return 0
    fi
    sleep 0.1
  done
  die "the site server on $host:$port did not answer within 10 s (log: $log)"
}

if [[ $mode == serve ]]; then
  start_server "${TMPDIR:-/tmp}/tavren-site-$port.log"
  echo "run.sh: press Ctrl+C to stop"
  wait "$server_pid"
  exit 0
fi

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  die "no display (DISPLAY and WAYLAND_DISPLAY are empty). On a machine without a desktop, run it under a virtual X server:
    xvfb-run -a -s \"-screen 0 1280x1024x24\" scripts/run.sh"
fi

if [[ -z $program ]]; then
  "$repo/scripts/deps.sh"
  cd "$repo"
  cmake --preset release
  cmake --build --preset release --target tavren
  program="$repo/build/release/src/app/tavren"
  [[ -x $program ]] || die "the build did not produce $program"
  root=$(sed -n 's/^TAVREN_SITE_ROOT:[A-Z]*=//p' "$repo/build/release/CMakeCache.txt")
  if [[ $root != "http://$host:$port/" ]]; then
    echo "run.sh: warning: this build's site root is \"$root\", but the demo site is served at http://$host:$port/" >&2
  fi
fi

# The program writes its banner file tavren.jpg into its current directory:
# give it a folder of its own, with the sample guides at hand for "読込".
rundir=${TAVREN_RUN_DIR:-$repo/build/run}
mkdir -p "$rundir"
ln -sfn "$repo/examples" "$rundir/examples"

if [[ $(id -u) -eq 0 ]]; then
  echo "run.sh: WARNING: running as root, so Qt WebEngine's sandbox is switched off (QTWEBENGINE_DISABLE_SANDBOX=1). Run as an ordinary user to keep it." >&2
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

start_server "$rundir/site-server.log"
cd "$rundir"
echo "run.sh: starting $program in $rundir"
status=0
"$program" ${guide[@]+"${guide[@]}"} || status=$?
exit "$status"
