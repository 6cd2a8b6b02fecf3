#!/usr/bin/env bash
# Builds everything and runs every test.
#   scripts/test.sh                 normal build in build/
#   ORVEX_SANITIZE=1 scripts/test.sh  AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build
extra=()
if [ "${ORVEX_SANITIZE:-0}" = 1 ]; then
    build=build-asan
    extra+=(-DORVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

cmake -S . -B "$build" -G Ninja "${extra[@]}"
cmake --build "$build" -j "$(nproc)"
# A test that fails is run once more before it counts as failed: the
# pseudo-terminal and timer tests run in real time on a machine that may be
# busy. Every failure is still printed.
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --repeat until-pass:2
