#!/usr/bin/env bash
# The quick check before a commit, and CI's first stage: every C++ source
# formatted as the repository's .clang-format says, then the unit tier of the
# tests (no sockets, no real timers, no web engine; under a minute).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

format=$(command -v clang-format || command -v clang-format-14)
echo "format check: $format"
git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' |
  xargs -0 "$format" --style=file --dry-run --Werror

cmake --preset dev
cmake --build --preset dev
QT_QPA_PLATFORM=offscreen ctest --preset dev -L unit --timeout 60
