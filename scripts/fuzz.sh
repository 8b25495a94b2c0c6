#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for the
# given number of seconds (default 60) on its seed corpus. A finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/deps.sh
cmake --preset fuzz >/dev/null
# Only the fuzz targets: the rest of the tree is of no use built this way.
targets=$(cmake --build --preset fuzz --target help | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\):.*/\1/p' | sort -u)
[ -n "$targets" ] || { echo "no fuzz targets found"; exit 1; }
# shellcheck disable=SC2086
cmake --build --preset fuzz --target $targets
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
while IFS= read -r target; do
  name=$(basename "$target")
  group=$(basename "$(dirname "$target")")
  seeds="fuzz/$group/corpus/$name"
  mkdir -p "$work/$name"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/$name/"
  echo "--- $name: ${seconds} s"
  if ! UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
      "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      "$work/$name" >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log"
    echo "--- $name: FINDING"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$work/$name.log" | tail -n 2 || true
  fi
done < <(find build/fuzz/fuzz -maxdepth 2 -type f -executable -name 'fuzz_*' | sort)
exit $status
