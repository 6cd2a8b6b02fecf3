#!/usr/bin/env bash
# Builds the program, installs a demo program folder in demo/ and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DORVEX_BUILD_TESTS=OFF -DORVEX_BUILD_BENCH=OFF
cmake --build build -j "$(nproc)"
cmake --install build --prefix demo
exec demo/orvex01m
