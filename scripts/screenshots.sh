#!/usr/bin/env bash
# Pictures of the windows for comparing the program's look before and after a
# change: the main window (first run, a built grid with every colour and
# state, "% ПС" mode), the current-data and archive views, the date picker,
# the plot and every tab of the options dialog.
#   scripts/screenshots.sh BUILD_DIR OUT_DIR
# Builds the three picture programs in BUILD_DIR (configured if needed) and
# writes their PNG files into OUT_DIR under fixed names. Each program fills a
# temporary program folder of its own with the same demo settings and tables
# on every run. The run is made repeatable: a virtual screen of fixed size and
# resolution, a fixed locale and time zone, no desktop settings, and a clock
# that starts at the same moment every time (so "today" in the views and the
# dates of their rows do not change between runs).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR OUT_DIR" >&2
    exit 2
fi
build=$1
out=$2
# The moment every run starts at; the clock runs on from there.
start_time='2026-03-02 10:00:00'

for tool in xvfb-run faketime; do
    command -v "$tool" >/dev/null || {
        echo "$tool is missing: run scripts/install-deps.sh" >&2
        exit 1
    }
done

generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" >/dev/null
cmake --build "$build" -j2 --target mainwindow_screenshots views_screenshots config_options_tests

build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a picture program on its own virtual screen, with its own empty home
# and a fixed environment.
shoot() {
    local name=$1
    shift
    mkdir -p "$work/$name/home" "$work/$name/runtime" "$work/$name/png"
    chmod 700 "$work/$name/runtime"
    env -i PATH="$PATH" HOME="$work/$name/home" XDG_RUNTIME_DIR="$work/$name/runtime" \
        XDG_CONFIG_HOME="$work/$name/home/.config" LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC \
        QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 QT_ENABLE_HIGHDPI_SCALING=0 QT_SCALE_FACTOR=1 \
        QT_ACCESSIBILITY=0 FAKETIME_DONT_FAKE_MONOTONIC=1 "$@"
}

screen=(-a -s "-screen 0 1280x1024x24 -dpi 96 -nolisten tcp")
clock=(faketime -f "@$start_time")

shoot mainwindow xvfb-run "${screen[@]}" "${clock[@]}" \
    "$build/tests/mainwindow/mainwindow_screenshots" "$work/mainwindow/png"
shoot views xvfb-run "${screen[@]}" "${clock[@]}" \
    "$build/tests/views/views_screenshots" "$work/views/png" >/dev/null
shoot options env ORVEX_SCREENSHOT_DIR="$work/options/png" \
    xvfb-run "${screen[@]}" "${clock[@]}" \
    "$build/tests/config/options/config_options_tests" \
    --gtest_filter='OptionsScreenshots.*' --gtest_brief=1 >/dev/null

cp "$work"/mainwindow/png/*.png "$work"/views/png/*.png "$work"/options/png/*.png "$out"/
echo "Pictures in $out:"
(cd "$out" && ls -1 ./*.png | sed 's|^\./|  |')
