#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
    cmake ninja-build g++
    qt6-base-dev libqt6opengl6-dev qt6-charts-dev libqt6sql6-sqlite qt6-qpa-plugins
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fonts-liberation2
    sqlite3 libsqlite3-dev xvfb xauth xdg-utils openbox x11-utils
    qt6-translations-l10n
    openbox libx11-dev
    clang-format python3
    dbus at-spi2-core python3-dbus
    libqt6sql6-psql postgresql-15
    faketime
    xdotool
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
