#!/usr/bin/env bash
# Runs every test of a build folder. A test that fails is run once more before
# it counts as failed: the pseudo-terminal and timer tests run in real time on
# a machine that may be busy. Every failure is printed, and the tests that
# passed only on their second run are listed at the end.
#   scripts/ctest-retry.sh BUILD [ctest options...]
set -euo pipefail
build=$1
shift

failed_log="$build/Testing/Temporary/LastTestsFailed.log"
if ctest --test-dir "$build" --output-on-failure "$@"; then
    echo "Tests that passed only on their second run: (none)"
    exit 0
fi
# LastTestsFailed.log lines read "NUMBER:NAME".
first_failures=$(cut -d: -f2- "$failed_log")
echo "== running the failed tests once more"
rerun=0
ctest --test-dir "$build" --output-on-failure --rerun-failed || rerun=$?
still_failing=""
if [ "$rerun" -ne 0 ] && [ -f "$failed_log" ]; then
    still_failing=$(cut -d: -f2- "$failed_log")
fi
echo
echo "Tests that passed only on their second run:"
passed_on_retry=0
while IFS= read -r t; do
    [ -n "$t" ] || continue
    if ! grep -qxF "$t" <<<"$still_failing"; then
        echo "  $t"
        passed_on_retry=1
    fi
done <<<"$first_failures"
[ "$passed_on_retry" = 1 ] || echo "  (none)"
if [ "$rerun" -ne 0 ]; then
    echo "Tests that failed on both runs:"
    sed 's/^/  /' <<<"$still_failing"
    exit 1
fi
