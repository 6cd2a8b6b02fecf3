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
#
#   scripts/check-fresh.sh --package OLD.deb NEW.deb
# checks the package instead, on a fresh root without any build packages:
# apt installs OLD with its dependencies from Debian; an operator account in
# the groups orvex01m and dialout starts the program on a virtual display,
# runs the options dialog (chooses COM1, where the simulator answers),
# presses СТАРТ and waits for recorded rows; the settings file is edited by
# hand; NEW is installed over OLD, then the package is removed and purged,
# each step checking what is kept; lintian checks NEW.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
    echo "check-fresh.sh: run as root (it builds a chroot)." >&2
    exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
mode=commands
if [ "${1:-}" = --package ]; then
    [ $# -eq 3 ] || { echo "usage: check-fresh.sh [--package OLD.deb NEW.deb]" >&2; exit 2; }
    mode=package
    old_deb=$(realpath "$2")
    new_deb=$(realpath "$3")
fi
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
security=$(grep -hE '^[[:space:]]*(deb[[:space:]]|URIs:)' /etc/apt/sources.list \
    /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    grep -oE 'https?://[^ ]*debian-security[^ ]*' | head -n 1 || true)

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
    chroot "$fresh" apt-get clean
    chmod 755 "$fresh"
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
chmod 755 "$root"
{
    echo "deb $mirror $suite main"
    echo "deb $mirror $suite-updates main"
    if [ -n "$security" ]; then echo "deb $security $suite-security main"; fi
} > "$root/etc/apt/sources.list"
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

in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

# The display a virtual X server chose (-displayfd 1: it prints the number
# of a free display on its standard output, here LOG). The X sockets are
# shared with the host and with other roots, so a fixed number could clash.
display_of() {
    local d="" i
    for i in $(seq 60); do
        d=$(grep -m 1 -x '[0-9][0-9]*' "$1" 2>/dev/null || true)
        [ -n "$d" ] && break
        sleep 1
    done
    echo "${d:-99}"
}

# The package check (--package): prints one verdict line per step.
package_check() {
    local old=$1 new=$2 failed=0 t win dlg app rows units sum disp=""
    cp "$old" "$new" "$root/tmp/"
    local o="/tmp/$(basename "$old")" n="/tmp/$(basename "$new")" f=/opt/orvex01m
    verdict() { # verdict OK|FAIL TEXT
        echo "$2"
        [ "$1" = OK ] || failed=1
    }
    sql() { in_root sqlite3 "$f/Database/Signals.DB" "$1" 2>/dev/null || echo 0; }
    as_op() { in_root runuser -u op -- env HOME=/home/op DISPLAY=":$disp" "$@"; }
    # Background programs of the operator: their pids through pid files.
    op_bg() { # op_bg NAME command...
        local name=$1
        shift
        in_root runuser -u op -- env HOME=/home/op DISPLAY=":$disp" \
            sh -c 'echo $$ > /tmp/'"$name"'.pid; exec "$@"' sh "$@" > "$run/$name.log" 2>&1 &
    }
    op_kill() { [ -f "$root/tmp/$1.pid" ] && kill "$(cat "$root/tmp/$1.pid")" 2>/dev/null || true; }
    x() { as_op xdotool "$@"; }
    wait_window() { # wait_window NAME SECONDS
        local w="" i
        for i in $(seq "$2"); do
            w=$(x search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
            [ -n "$w" ] && break
            sleep 1
        done
        echo "$w"
    }

    in_root apt-get update -qq > "$run/apt-update.log" 2>&1 || true
    if in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "$o" > "$run/install-old.log" 2>&1; then
        verdict OK "apt install $(basename "$old"): OK, $(grep -c '^Setting up' "$run/install-old.log") packages set up, every dependency from Debian ($(in_root dpkg-query -W -f '${Version}' orvex01m))"
    else
        verdict FAIL "apt install $(basename "$old"): FAIL: $(grep -E '^E:|Depends:' "$run/install-old.log" | head -n 1)"
        return 1
    fi
    echo "  $(in_root stat -c '%A %U:%G %n' "$f"); $(in_root "$f/orvex01m" --version); $(in_root getent group orvex01m)"

    # An operator account, and the check's own tools.
    in_root adduser --quiet --disabled-password --gecos '' op > "$run/op.log" 2>&1
    in_root adduser --quiet op orvex01m >> "$run/op.log" 2>&1
    in_root adduser --quiet op dialout >> "$run/op.log" 2>&1
    in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        xvfb xdotool sqlite3 > "$run/tools.log" 2>&1
    op_bg xvfb Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp
    disp=$(display_of "$run/xvfb.log")
    op_bg unitsim "$f/unitsim" --link "$f/ports/COM1" --demo
    sleep 2
    op_bg app "$f/orvex01m"
    win=$(wait_window 'ОРВЕКС_01м' 60)
    if [ -z "$win" ]; then
        verdict FAIL "program as op ($(as_op id -nG)): FAIL: no main window"
    else
        # The options run: НАСТРОЙКА in the menu, the tab "Подключение", the
        # port COM1, ЗАКРЫТЬ ОКНО НАСТРОЙКИ; then СТАРТ.
        sleep 2
        x mousemove --window "$win" 44 8 click 1
        dlg=$(wait_window 'Настройка параметров' 30)
        if [ -n "$dlg" ]; then
            sleep 1
            x mousemove --window "$dlg" 610 12 click 1
            sleep 1
            x mousemove --window "$dlg" 40 167 click 1
            sleep 1
            x mousemove --window "$dlg" 396 291 click 1
        fi
        for t in $(seq 20); do [ -f "$root$f/orvex01m.INI" ] && break; sleep 1; done
        sleep 2
        x mousemove --window "$win" 100 34 click 1
        for t in $(seq 40); do
            rows=$(sql 'SELECT COUNT(*) FROM Signals')
            [ "${rows:-0}" -ge 2 ] && break
            sleep 1
        done
        if [ -f "$root$f/orvex01m.INI" ] && [ "${rows:-0}" -ge 1 ]; then
            verdict OK "program as op ($(as_op id -nG)): OK, options run saved $(in_root stat -c '%A %U:%G %n' "$f/orvex01m.INI") (port No=$(grep -a '^No=' "$root$f/orvex01m.INI" | tr -dc 0-9)), СТАРТ recorded $rows rows in $(in_root stat -c '%A %U:%G %n' "$f/Database/Signals.DB")"
        else
            verdict FAIL "program as op: FAIL: settings file $([ -f "$root$f/orvex01m.INI" ] && echo written || echo missing), $rows rows"
        fi
        op_kill app
    fi
    op_kill unitsim
    op_kill xvfb
    sleep 2

    # The site edits its settings file by hand.
    printf '; edited by the site\r\n' >> "$root$f/orvex01m.INI"
    sed -i 's/^Period=10/Period=15/' "$root$f/orvex01m.INI"
    sum=$(sha256sum < "$root$f/orvex01m.INI")
    rows=$(sql 'SELECT COUNT(*) FROM Signals')
    kept() { [ -f "$root$f/orvex01m.INI" ] && [ "$(sha256sum < "$root$f/orvex01m.INI")" = "$sum" ] &&
        [ "$(sql 'SELECT COUNT(*) FROM Signals')" = "$rows" ]; }

    # A lost table is made again by the upgrade; the others stay as they are.
    rm -f "$root$f/Database/Plot.db"
    if in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "$n" > "$run/install-new.log" 2>&1 && kept &&
        [ -f "$root$f/Database/Plot.db" ]; then
        verdict OK "upgrade to $(in_root dpkg-query -W -f '${Version}' orvex01m): OK, edited settings file and $rows rows kept, missing Plot.db made again"
    else
        verdict FAIL "upgrade: FAIL (see $run/install-new.log)"
    fi
    if in_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y orvex01m > "$run/remove.log" 2>&1 && kept &&
        [ ! -e "$root$f/orvex01m" ]; then
        verdict OK "apt remove: OK, program gone; settings file, $rows rows, $(ls "$root$f/Database" | grep -c -E '\.(DB|db)$') tables kept"
    else
        verdict FAIL "apt remove: FAIL (see $run/remove.log)"
    fi
    if in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y orvex01m > "$run/purge.log" 2>&1 &&
        [ ! -e "$root$f" ]; then
        verdict OK "apt purge: OK, $f with settings file and tables removed"
    else
        verdict FAIL "apt purge: FAIL: $(ls -A "$root$f" 2>&1 | tr '\n' ' ')"
    fi

    in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends lintian \
        > "$run/lintian-install.log" 2>&1
    in_root lintian --info --display-info --show-overrides "$n" > "$run/lintian.log" 2>&1 || true
    local errors warnings
    errors=$(grep -c '^E:' "$run/lintian.log" || true)
    warnings=$(grep -c '^W:' "$run/lintian.log" || true)
    verdict "$([ "$errors" = 0 ] && echo OK || echo FAIL)" "lintian $(basename "$new"): $errors errors, $warnings warnings"
    grep -E '^(E|W|I|O):' "$run/lintian.log" | sed 's/^/  /'
    echo "logs: $run"
    return "$failed"
}

if [ "$mode" = package ]; then
    if package_check "$old_deb" "$new_deb"; then exit 0; else exit 1; fi
fi

# A clean clone of the committed work only.
sha=$(git -C "$repo" rev-parse HEAD)
git -C "$repo" bundle create "$run/head.bundle" HEAD 2>/dev/null
mkdir -p "$root/root"
git -c advice.detachedHead=false clone -q "$run/head.bundle" "$root/root/orvex"
git -C "$root/root/orvex" -c advice.detachedHead=false checkout -q --detach "$sha"
echo "Checking $(git -C "$repo" log -1 --format='%h %s' "$sha")"
echo "in $root (logs in $run)"

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
        apt-get install -y -qq --no-install-recommends xvfb xdotool sqlite3' > "$run/demo-tools.log" 2>&1
    # The server records its own process id: the background job is the shell
    # around the root, and killing that would leave the server running.
    in_root sh -c 'echo $$ > /tmp/demo-xvfb.pid; exec Xvfb -displayfd 1 -screen 0 1280x1024x24 \
        -nolisten tcp' > "$run/xvfb.log" 2>&1 &
    xvfb=$!
    local disp
    disp=$(display_of "$run/xvfb.log")
    in_root sh -c "cd /root/orvex && DISPLAY=:$disp $launcher scripts/run-demo.sh" \
        > "$run/demo.log" 2>&1 &
    demo=$!
    local x="in_root env DISPLAY=:$disp xdotool" win="" pid="" rows=0 units=0 t
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
        $x mousemove --window "$win" 100 34 click 1
        for t in $(seq 120); do
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
    [ -f "$root/tmp/demo-xvfb.pid" ] && kill "$(cat "$root/tmp/demo-xvfb.pid")" 2>/dev/null
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
