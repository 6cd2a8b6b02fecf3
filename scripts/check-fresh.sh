#!/usr/bin/env bash
# Tries the README's two commands as a newcomer would: on a minimal Debian 12
# root (debootstrap --variant=minbase bookworm, nothing else installed), with a
# clean clone of the committed work (HEAD), run as root in a chroot:
#   1. the test command  scripts/test.sh
#   2. the demo command  scripts/run-demo.sh, on a virtual display; the check
#      waits for the main window, presses СТАРТ and waits until every demo
#      unit has a recorded reading from the simulator, then closes the program.
# Prints one verdict line per command and exits non-zero when one fails.
#
# The minimal root is made once from this machine's own Debian mirror and kept
# as a tarball in $ORVEX_FRESH_CACHE (default /var/cache/orvex-fresh); each run
# unpacks a copy, so nothing of an earlier run is left in it. Compiler output
# is cached there too (ccache, installed in the copy for the build only), so a
# second run builds faster; ORVEX_FRESH_CCACHE=0 builds without it.
# Logs are kept in the run's folder (printed at the end); ORVEX_FRESH_KEEP=1
# also keeps the unpacked root for a look inside.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
    echo "check-fresh.sh: run as root (it builds a chroot)." >&2
    exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${ORVEX_FRESH_CACHE:-/var/cache/orvex-fresh}
suite=bookworm
base="$cache/$suite-minbase.tar.gz"
mkdir -p "$cache"

# The mirror: the first Debian source of this machine that serves the suite
# itself (one-line sources.list entries or deb822 .sources files).
find_mirror() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk -v s="$suite" '$1 == "deb" {
                i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                if ($(i + 1) == s) { print $i; exit } }' "$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v s="$suite" '
            function flush() { if (deb && hit && uri != "") { print uri; found = 1 }
                               deb = 0; hit = 0; uri = "" }
            /^[ \t]*$/ { flush(); if (found) exit; next }
            /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
            /^URIs:/ { uri = $2 }
            /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s) hit = 1 }
            END { if (!found) flush() }' "$f"
    done
}
mirror=${ORVEX_FRESH_MIRROR:-$(find_mirror | head -n 1)}
mirror=${mirror:-http://deb.debian.org/debian}
# The security archive, when this machine uses one.
security=$(grep -rhoE 'https?://[^ ]*debian-security[^ ]*' /etc/apt/sources.list \
    /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 || true)

if [ ! -f "$base" ]; then
    if ! command -v debootstrap >/dev/null; then
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
    fi
    echo "Making the minimal $suite root from $mirror (once; kept in $base)"
    fresh=$(mktemp -d /var/tmp/orvex-debootstrap.XXXXXX)
    debootstrap --variant=minbase "$suite" "$fresh" "$mirror" > "$cache/debootstrap.log" 2>&1 || {
        tail -n 20 "$cache/debootstrap.log"
        rm -rf "$fresh"
        exit 1
    }
    {
        echo "deb $mirror $suite main"
        echo "deb $mirror $suite-updates main"
        [ -n "$security" ] && echo "deb $security $suite-security main"
    } > "$fresh/etc/apt/sources.list"
    chroot "$fresh" apt-get clean
    tar -C "$fresh" -czf "$base.part" .
    mv "$base.part" "$base"
    rm -rf "$fresh"
fi

run=$(mktemp -d /var/tmp/orvex-fresh.XXXXXX)
root="$run/root"
mounted=()
cleanup() {
    local i
    # Whatever still runs inside the root goes first, then every mount, in
    # reverse order; a busy mount is detached lazily rather than left behind.
    for i in $(seq $((${#mounted[@]} - 1)) -1 0); do
        umount "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}" || true
    done
    mounted=()
    if [ "${ORVEX_FRESH_KEEP:-0}" != 1 ] && ! grep -q " $root" /proc/mounts; then
        rm -rf "$root"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$root"
tar -C "$root" -xzf "$base"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount_in() { # mount_in TARGET mount-arguments...
    local target="$root$1"
    shift
    mkdir -p "$target"
    mount "$@" "$target"
    mounted+=("$target")
}
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount_in /dev/pts --bind /dev/pts
mount_in /dev/shm -t tmpfs -o mode=1777 tmpfs

# A clean clone of the committed work only.
sha=$(git -C "$repo" rev-parse HEAD)
git -C "$repo" bundle create "$run/head.bundle" HEAD 2>/dev/null
mkdir -p "$root/root"
git clone -q "$run/head.bundle" "$root/root/orvex"
git -C "$root/root/orvex" checkout -q --detach "$sha"
echo "Checking $(git -C "$repo" log -1 --format='%h %s' "$sha")"
echo "in $root (logs in $run)"

in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

# The build's compiler cache (not one of the program's packages).
if [ "${ORVEX_FRESH_CCACHE:-1}" = 1 ]; then
    mkdir -p "$cache/ccache"
    mount_in /root/.ccache --bind "$cache/ccache"
    in_root sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends ccache' > "$run/ccache.log" 2>&1
    launcher="CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=/root/orvex CCACHE_DIR=/root/.ccache"
else
    launcher=""
fi

verdicts=0
started=$(date +%s)
if in_root sh -c "cd /root/orvex && $launcher scripts/test.sh" > "$run/test.log" 2>&1; then
    summary=$(grep -E 'tests passed' "$run/test.log" | tail -n 1)
    echo "test command (scripts/test.sh): PASS: $summary ($(( ($(date +%s) - started) / 60 )) min)"
else
    verdicts=1
    reason=$(grep -E 'tests passed|Could not|not found|error:|E: ' "$run/test.log" | head -n 1)
    echo "test command (scripts/test.sh): FAIL: ${reason:-see $run/test.log}"
fi

# The demo: run-demo.sh runs the program on the display it finds. The check
# gives it one (installing its own tools for watching the window) and plays
# the operator: waits for the main window, presses СТАРТ, waits until every
# demo unit has a reading recorded from the simulator, closes the window.
demo_check() {
    in_root sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends xvfb xdotool' > "$run/demo-tools.log" 2>&1
    in_root Xvfb :71 -screen 0 1280x1024x24 -nolisten tcp > "$run/xvfb.log" 2>&1 &
    xvfb=$!
    in_root sh -c "cd /root/orvex && DISPLAY=:71 $launcher scripts/run-demo.sh" \
        > "$run/demo.log" 2>&1 &
    demo=$!
    local x="in_root env DISPLAY=:71 xdotool" win="" pid="" rows=0 units=0 t
    # The build comes first (up to an hour on a busy machine).
    for t in $(seq 3600); do
        kill -0 "$demo" 2>/dev/null || break
        win=$($x search --onlyvisible --name 'ОРВЕКС_01м' 2>/dev/null | head -n 1 || true)
        [ -n "$win" ] && break
        sleep 1
    done
    if [ -z "$win" ]; then
        echo "no main window"
    else
        pid=$($x getwindowpid "$win")
        sleep 2
        # СТАРТ is at (32,4)-(177,29) of the tool bar, right under the menu bar.
        $x mousemove --window "$win" 100 40 click 1
        for t in $(seq 60); do
            units=$(in_root sqlite3 /root/orvex/demo/Database/Signals.DB \
                'SELECT COUNT(DISTINCT UnitNo) FROM Signals' 2>/dev/null || echo 0)
            [ "${units:-0}" -ge 4 ] && break
            sleep 1
        done
        rows=$(in_root sqlite3 /root/orvex/demo/Database/Signals.DB \
            'SELECT COUNT(*) FROM Signals' 2>/dev/null || echo 0)
        echo "main window up; $units of 4 demo units recorded from the simulator ($rows rows) within ${t}s of СТАРТ"
        kill "$pid" 2>/dev/null || true
    fi
    for t in $(seq 30); do kill -0 "$demo" 2>/dev/null || break; sleep 1; done
    kill "$demo" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    [ "${units:-0}" -ge 4 ]
}
if out=$(demo_check); then
    echo "demo command (scripts/run-demo.sh): PASS: $out"
else
    verdicts=1
    echo "demo command (scripts/run-demo.sh): FAIL: $out (see $run/demo.log)"
fi
echo "logs: $run"
exit "$verdicts"
