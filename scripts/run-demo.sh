#!/usr/bin/env bash
# Builds the program, installs a demo program folder in demo/ (apart from any
# real installation), starts the unit simulator on demo/ports/COM1 with four
# units of different gases and states, writes a prepared settings file when
# the folder has none, and starts the program. Press СТАРТ to poll.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
demo="$root/demo"

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DORVEX_BUILD_TESTS=OFF -DORVEX_BUILD_BENCH=OFF
cmake --build build -j "$(nproc)"
cmake --install build --prefix "$demo" >/dev/null

# A prepared settings file: four units at addresses 1..4 on COM1, 8 channels,
# a 10 s period, the sound switched off. Windows-1251: "№" is byte 0xB9.
if [ ! -f "$demo/orvex01m.INI" ]; then
    {
        printf '[Main]\r\nTop=40\r\nLeft=40\r\nHeight=520\r\nWidth=800\r\n'
        printf 'ChannalsMaxAmount=8\r\nUnitsAmount=4\r\nCurUnit=1\r\nPeriod=10\r\n'
        printf 'CurrKeepTime=24\r\nArcLevel=1\r\nScanShow=1\r\n%%L2_ON=0\r\n'
        printf 'ShowHint=1\r\nShowHint2=1\r\nShowHint3=1\r\n-=-\r\n'
        printf '[Connection]\r\nNo=1\r\nSpeed= 9600 (002)\r\n-=-\r\n'
        printf '[Sound]\r\nSound_ON=0\r\nAutoRep=0\r\nAmount=1\r\nSoundFile=\\Sound\\Beep.wav\r\n-=-\r\n'
        printf '[UNITS]\r\n'
        for n in 1 2 3 4; do printf 'Unit_\xb9%d=%d\r\n' "$n" "$n"; done
    } > "$demo/orvex01m.INI"
    # The register rows of the four demo units; the program lowers the unit
    # count to the rows Units.DB holds, so they must exist before the start.
    sqlite3 "$demo/Database/Units.DB" <<'SQL'
INSERT OR IGNORE INTO "Units" VALUES (1, 'Котельная', 1, 'Демонстрационный пульт: метан');
INSERT OR IGNORE INTO "Units" VALUES (2, 'Склад ГСМ', 2, 'Демонстрационный пульт: взрывоопасные газы');
INSERT OR IGNORE INTO "Units" VALUES (3, 'Гараж', 3, 'Демонстрационный пульт: угарный газ');
INSERT OR IGNORE INTO "Units" VALUES (4, 'Холодильная', 4, 'Демонстрационный пульт: аммиак');
SQL
fi

# The simulator prints "ready PATH" once it answers on the link.
log=$(mktemp)
"$demo/unitsim" --link "$demo/ports/COM1" --demo > "$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 100); do
    grep -q '^ready' "$log" && break
    kill -0 "$sim" 2>/dev/null || { cat "$log"; exit 1; }
    sleep 0.1
done
echo "Simulator: $(head -n 1 "$log")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting on a virtual display (xvfb-run)."
    xvfb-run -a -s "-screen 0 1280x1024x24" "$demo/orvex01m"
else
    "$demo/orvex01m"
fi
