#!/usr/bin/env bash
# The performance budget: builds the release preset and prints, in one block,
# the catalogue benchmark, the page search benchmark, the main window's
# load-to-painted, click-to-repainted and search key-to-painted times with the
# 100,000-page guide, the list benchmark,
# tavren-check against Python's csv module on the same guide,
# tavren-guide's import, export and link check,
# the peak resident set and the start-up time to the main window shown (the
# window's frozen start-up pause excluded) against site/ served on loopback.
#
#   scripts/budget.sh             build, then measure
#   scripts/budget.sh --no-build  measure what build/release already holds
#
# Figures, not assertions: a missed target is marked MISSED and the script
# still exits 0. It exits 1 only when the build fails. Every measurement runs
# under a time limit; one that fails or times out is printed as "not measured".
# Works without a display: the window benchmarks run offscreen, the start-up
# benchmark (which needs the web engine) under xvfb-run.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/release"
work=$(mktemp -d "${TMPDIR:-/tmp}/tavren-budget.XXXXXX")
server_pid=""

cleanup() {
  if [[ -n $server_pid ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

say() { echo "budget: $*" >&2; }

if [[ ${1:-} != --no-build ]]; then
  cd "$repo" || exit 1
  cmake --preset release >&2 || { say "configuring the release preset failed"; exit 1; }
  cmake --build --preset release >&2 || { say "building the release preset failed"; exit 1; }
fi

# Runs a benchmark under a time limit, its output into $work/NAME.out.
# run NAME SECONDS COMMAND...
run() {
  local name=$1 limit=$2
  shift 2
  say "running $name"
  if timeout -k 10 "$limit" "$@" >"$work/$name.out" 2>"$work/$name.err"; then
    return 0
  fi
  say "$name failed or timed out after ${limit} s; its error output:"
  tail -n 20 "$work/$name.err" >&2
  return 1
}

# The median of the figures given (the upper one of an even count), or empty.
median() {
  (($# > 0)) || return 0
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# The value of a "name value" line in a benchmark's output, or empty.
value() { awk -v key="$2" '$1 == key { print $2; exit }' "$work/$1.out" 2>/dev/null; }

# The targets, here and nowhere else: figure, "le" (at most) or "ge" (at
# least), and the value. The benchmarks print figures only.
declare -A target=(
  [links_to_floor_ratio]="le 1.5"
  [links_to_linkchecker_ratio]="le 0.10"
  [links_peak_rss_mb]="le 60"
  [import_to_python_ratio]="le 0.30"
  [export_to_python_ratio]="le 0.30"
  [catalogue_load_mb_per_s]="ge 400"
  [catalogue_filter_ms]="le 10"
  [check_to_csv_wall_ratio]="le 0.30"
  [window_first_load_to_painted_ms]="le 80"
  [window_click_to_repainted_ms]="le 30"
  [window_peak_rss_mb]="le 80"
  [startup_to_main_window_shown_ms]="le 450"
  [search_query_median_ms]="le 1"
  [search_to_python_ratio]="le 0.25"
  [search_key_to_painted_ms_median]="le 16"
  [search_key_to_painted_ms_worst]="le 33"
  [search_index_peak_rss_growth_mb]="le 25"
)

# A figure against its target: "target <= 10: met", or MISSED, or "not
# measured" when the figure is empty. judge TARGET-NAME VALUE
judge() {
  local op limit
  read -r op limit <<<"${target[$1]}"
  local sign="<="
  [[ $op == ge ]] && sign=">="
  local verdict="not measured"
  if [[ -n $2 ]]; then
    if awk -v v="$2" -v t="$limit" -v op="$op" 'BEGIN { exit !((op == "le" && v <= t) || (op == "ge" && v >= t)) }'; then
      verdict="met"
    else
      verdict="MISSED"
    fi
  fi
  echo "target $sign $limit: $verdict"
}

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

run catalogue 180 "$build/bench/catalogue/catalogue_bench" --runs 5 --keep "$work/guide.lst"
run search 180 "$build/bench/catalogue/search_bench"
# tavren-check on the same guide against Python's csv module reading it.
run check 180 python3 "$repo/bench/catalogue/check_vs_csv.py" --runs 7 \
  "$build/src/app/check/tavren-check" "$work/guide.lst"
# A process loads a guide for the first time only once, so that figure is a
# single sample of a fresh process each time; three processes, the median.
first_loads=()
for n in 1 2 3; do
  if run "window$n" 180 "$build/bench/window/window_bench" --runs 7; then
    first_loads+=("$(value "window$n" load_to_painted_ms_first)")
  fi
done
[[ -f $work/window1.out ]] && cp "$work/window1.out" "$work/window.out"
run list 180 "$build/bench/ui/list_bench"
# tavren-guide: import and export against Python's standard library; the link
# check against its latency floor and linkchecker (which runs on 1,000 of the
# 10,000 addresses, scaled: the whole set would take it about two minutes).
run bookmarks 180 python3 "$repo/bench/authoring/bookmarks_vs_python.py" --runs 5 \
  "$build/src/app/guide/tavren-guide" "$work/guide.lst"
run links 300 python3 "$repo/bench/authoring/links_bench.py" "$build/src/app/guide/tavren-guide"

# Start-up: site/ served on a free loopback port, three runs, the median.
startup_runs=()
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$repo/site" >"$work/site.log" 2>&1 &
server_pid=$!
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/^Serving HTTP on [0-9.]* port \([0-9]*\).*/\1/p' "$work/site.log")
  [[ -n $port ]] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -z $port ]]; then
  say "the loopback site server did not start:"
  cat "$work/site.log" >&2
else
  # Qt WebEngine refuses to run as root with its sandbox on (CI runs as root).
  [[ $(id -u) -eq 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1
  for n in 1 2 3; do
    if (cd "$work" && QT_QPA_PLATFORM=xcb run "startup$n" 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
      "$build/bench/window/startup_bench" "http://127.0.0.1:$port/"); then
      startup_runs+=("$(value "startup$n" startup_to_main_window_shown_ms)")
    fi
  done
fi
startup=$(median "${startup_runs[@]}")
startup_all="none"
((${#startup_runs[@]} > 0)) && startup_all=$(printf '%s ' "${startup_runs[@]}")

load_first=$(median "${first_loads[@]}")
load_first_all=$(printf '%s ' "${first_loads[@]}")
click=$(value window click_to_repainted_ms_median)
rss_mib=$(value window peak_rss_mib)
rss_mb=""
[[ -n $rss_mib ]] && rss_mb=$(awk -v m="$rss_mib" 'BEGIN { printf "%.1f", m * 1.048576 }')

orna() { [[ -n ${1:-} ]] && echo "$1" || echo "-"; }

cat <<EOF

=== performance budget (release build, $(uname -m), $(nproc) cores) ===
catalogue, 100,000-page guide (best of 5)
  read into memory          $(orna "$(value catalogue read_ms)") ms
  load command              $(orna "$(value catalogue load_ms)") ms, $(orna "$(value catalogue load_mb_per_s)") MB/s   $(judge catalogue_load_mb_per_s "$(value catalogue load_mb_per_s)")
  filter click              $(orna "$(value catalogue filter_ms)") ms   $(judge catalogue_filter_ms "$(value catalogue filter_ms)")
  read + full split         $(orna "$(value catalogue full_split_ms)") ms   (comparison)
tavren-check --json --major 3 --middle 5, against Python's csv reading the same guide (best of 7)
  wall clock                $(orna "$(value check check_json_wall_ms)") ms vs $(orna "$(value check python_csv_wall_ms)") ms, ratio $(orna "$(value check check_to_csv_wall_ratio)")   $(judge check_to_csv_wall_ratio "$(value check check_to_csv_wall_ratio)")
  CPU time                  $(orna "$(value check check_json_cpu_ms)") ms vs $(orna "$(value check python_csv_cpu_ms)") ms, ratio $(orna "$(value check check_to_csv_cpu_ratio)")
main window, 100,000-page guide, offscreen (7 loads; clicks on every major category)
  first load to three lists painted  $(orna "$load_first") ms (median of 3 processes: ${load_first_all:-none}ms; later loads of run 1: median $(orna "$(value window load_to_painted_ms_median)"), best $(orna "$(value window load_to_painted_ms_best)"))   $(judge window_first_load_to_painted_ms "$load_first")
  click to page list repainted $(orna "$click") ms median (worst $(orna "$(value window click_to_repainted_ms_worst)"))   $(judge window_click_to_repainted_ms "$click")
  peak RSS                     $(orna "$rss_mb") MB ($(orna "$rss_mib") MiB; $(orna "$(value window peak_rss_mib_before_load)") MiB before loading)   $(judge window_peak_rss_mb "$rss_mb")
page search, 100,000-page guide: 20 named queries, median of 31 runs each; Python in the same run
  query median              $(orna "$(value search search_query_median_ms)") ms (worst query $(orna "$(value search search_query_worst_ms)") ms)   $(judge search_query_median_ms "$(value search search_query_median_ms)")
  all 20 vs Python          $(orna "$(value search search_total_ms)") ms vs $(orna "$(value search python_total_ms)") ms, ratio $(orna "$(value search search_to_python_ratio)")   $(judge search_to_python_ratio "$(value search search_to_python_ratio)")
  index, peak RSS growth    $(orna "$(value search search_index_peak_rss_growth_mb)") MB   $(judge search_index_peak_rss_growth_mb "$(value search search_index_peak_rss_growth_mb)")
  key press to drop-down painted  $(orna "$(value window search_key_to_painted_ms_median)") ms median   $(judge search_key_to_painted_ms_median "$(value window search_key_to_painted_ms_median)"), worst $(orna "$(value window search_key_to_painted_ms_worst)") ms   $(judge search_key_to_painted_ms_worst "$(value window search_key_to_painted_ms_worst)")
list bench, 3 lists x 100,000 items, offscreen
  load to painted           $(orna "$(value list load_to_painted_ms)") ms
  refill 500 to painted     $(orna "$(value list refill_500_to_painted_ms_median)") ms (median), $(orna "$(value list refill_500_to_painted_ms_max)") ms (max)
  peak RSS                  $(orna "$(value list peak_rss_mib)") MiB
tavren-guide import (20,000 bookmarks) and export (100,000-page guide), against Python's standard library (best of 5)
  import                    $(orna "$(value bookmarks import_wall_ms)") ms vs $(orna "$(value bookmarks python_import_wall_ms)") ms, ratio $(orna "$(value bookmarks import_to_python_ratio)")   $(judge import_to_python_ratio "$(value bookmarks import_to_python_ratio)")
  export                    $(orna "$(value bookmarks export_wall_ms)") ms vs $(orna "$(value bookmarks python_export_wall_ms)") ms, ratio $(orna "$(value bookmarks export_to_python_ratio)")   $(judge export_to_python_ratio "$(value bookmarks export_to_python_ratio)")
tavren-guide links, $(orna "$(value links links_addresses)") addresses on 50 loopback hosts, 20 ms per reply (results correct: $(orna "$(value links links_results_correct)"))
  wall clock                $(orna "$(value links links_wall_s)") s vs floor $(orna "$(value links links_floor_s)") s, ratio $(orna "$(value links links_to_floor_ratio)")   $(judge links_to_floor_ratio "$(value links links_to_floor_ratio)")
  vs linkchecker            $(orna "$(value links linkchecker_scaled_wall_s)") s ($(orna "$(value links linkchecker_wall_s)") s on $(orna "$(value links linkchecker_addresses)") addresses, scaled), ratio $(orna "$(value links links_to_linkchecker_ratio)")   $(judge links_to_linkchecker_ratio "$(value links links_to_linkchecker_ratio)")
  peak RSS                  $(orna "$(value links links_peak_rss_mb)") MB (linkchecker $(orna "$(value links linkchecker_peak_rss_mb)") MB)   $(judge links_peak_rss_mb "$(value links links_peak_rss_mb)")
start-up, loopback site, xvfb (median of: ${startup_all}ms; pause excluded)
  process start to main window shown  $(orna "$startup") ms   $(judge startup_to_main_window_shown_ms "$startup")
  home page loaded in the web view    $(orna "$(value startup1 home_page_loaded_ms)") ms (run 1; the engine starts once the window is on screen)
  steps of run 1: application ready $(orna "$(value startup1 application_ready_ms)") ms, first notice painted $(orna "$(value startup1 first_notice_painted_ms)") ms, main window made $(orna "$(value startup1 main_window_made_ms)") ms
===
EOF
exit 0
