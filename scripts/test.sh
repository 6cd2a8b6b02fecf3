#!/usr/bin/env bash
# The gates every change passes, then every test:
#  - formatting: clang-format over every tracked *.cpp and *.h;
#  - the build with compiler warnings as errors;
#  - the library layers (scripts/deps-graph.sh);
#  - the tests (scripts/ctest-retry.sh): a test that fails is run once more
#    before it counts as failed, since the pseudo-terminal and timer tests run
#    in real time on a machine that may be busy. Every failure is printed, and
#    the tests that passed only on their second run are listed at the end.
#   scripts/test.sh                   normal build in build/
#   ORVEX_SANITIZE=1 scripts/test.sh  AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== formatting"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
else
    find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
        xargs -0 clang-format --dry-run --Werror
fi

build=build
extra=(-DORVEX_WERROR=ON)
if [ "${ORVEX_SANITIZE:-0}" = 1 ]; then
    build=build-asan
    extra+=(-DORVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

echo "== build ($build, warnings as errors)"
cmake -S . -B "$build" -G Ninja "${extra[@]}"
cmake --build "$build" -j "$(nproc)"

echo "== library layers"
scripts/deps-graph.sh "$build" >"$build/deps-graph.txt" || {
    cat "$build/deps-graph.txt"
    exit 1
}
tail -n 1 "$build/deps-graph.txt"

echo "== tests"
scripts/ctest-retry.sh "$build" -j "$(nproc)"
