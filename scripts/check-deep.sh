#!/usr/bin/env bash
# The deep checks, run before an issue is resolved (too long for every change):
#  1. every test under AddressSanitizer and UndefinedBehaviorSanitizer
#     (build-asan/, with the one retry of scripts/ctest-retry.sh);
#  2. clang-tidy over the program's sources with the repository's .clang-tidy
#     (findings summarised by check, in full in build-asan/clang-tidy.log);
#  3. a short run of every fuzz target (build-fuzz/, clang with libFuzzer) on
#     a copy of its seed corpus, FUZZ_SECONDS each (default 60).
# Fails when a test fails twice or a fuzz target finds a crash; clang-tidy
# findings are reported, not counted as failures.
#   scripts/check-deep.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh || exit 1
# clang with libFuzzer and its sanitizer runtimes, and clang-tidy.
missing=()
for p in clang clang-tidy clang-tools libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" || exit 1
fi

jobs=$(nproc)
summary=()
status=0

echo "== 1. tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
asan_log=build-asan/ctest.log
if cmake -S . -B build-asan -G Ninja -DORVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
        -DORVEX_BUILD_BENCH=OFF >/dev/null &&
    cmake --build build-asan -j "$jobs"; then
    scripts/ctest-retry.sh build-asan -j "$jobs" 2>&1 | tee "$asan_log"
    asan_rc=${PIPESTATUS[0]}
    result=$(grep -E "tests passed|tests failed" "$asan_log" | head -n 1)
    retried=$(sed -n '/passed only on their second run:/,/^[^ ]/p' "$asan_log" |
        grep '^  ' | grep -v '(none)' | tr -d ' ' | paste -sd, -)
    summary+=("sanitizers: ${result:-no result}${retried:+; passed on retry: $retried}")
    [ "$asan_rc" -eq 0 ] || status=1
else
    summary+=("sanitizers: the build failed")
    status=1
fi

echo "== 2. clang-tidy (.clang-tidy) over the program's sources"
tidy_log=build-asan/clang-tidy.log
if [ -f build-asan/compile_commands.json ]; then
    run-clang-tidy -p build-asan -j "$jobs" -quiet \
        "^$root/(ui|serial|polling|store|config|mainwindow|views|app|tools)/.*\.cpp$" \
        >"$tidy_log" 2>&1
    # One finding per place and check (a header's finding is reported once
    # for every file that includes it).
    findings=$(sed 's/\x1b\[[0-9;]*m//g' "$tidy_log" |
        grep -E '^/.*: warning: .* \[[a-z0-9.,-]+\]$' | sort -u)
    count=$(grep -c . <<<"$findings" || true)
    echo "clang-tidy: $count findings"
    if [ "$count" -gt 0 ]; then
        sed -E 's/.*\[([a-z0-9.,-]+)\]$/\1/' <<<"$findings" | sort | uniq -c | sort -rn |
            sed 's/^/  /'
        sed -E "s|^$root/||" <<<"$findings" | sed 's/^/  /'
    fi
    summary+=("clang-tidy: $count findings (build-asan/clang-tidy.log)")
else
    summary+=("clang-tidy: not run (no build-asan/compile_commands.json)")
    status=1
fi

echo "== 3. fuzzing (build-fuzz/, ${FUZZ_SECONDS:-60} s per target)"
if CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DORVEX_BUILD_FUZZ=ON -DORVEX_BUILD_TESTS=OFF \
        -DORVEX_BUILD_BENCH=OFF >/dev/null &&
    cmake --build build-fuzz -j "$jobs" --target protocol_fuzz; then
    for target in protocol; do
        corpus=$(mktemp -d)
        cp fuzz/corpus/"$target"/* "$corpus"/
        log=build-fuzz/${target}_fuzz.log
        ASAN_OPTIONS=malloc_context_size=0 build-fuzz/fuzz/${target}_fuzz -max_len=128 \
            -max_total_time="${FUZZ_SECONDS:-60}" -artifact_prefix=build-fuzz/ "$corpus" \
            >"$log" 2>&1
        rc=$?
        done_line=$(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)
        rm -rf "$corpus"
        if [ "$rc" -eq 0 ]; then
            summary+=("fuzz $target: ${done_line:-finished}, no crash")
        else
            summary+=("fuzz $target: FAILED (exit $rc), see $log and build-fuzz/crash-*")
            status=1
        fi
    done
else
    summary+=("fuzz: the build failed")
    status=1
fi

echo
echo "== summary"
printf '  %s\n' "${summary[@]}"
exit $status
