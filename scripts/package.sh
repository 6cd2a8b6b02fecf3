#!/usr/bin/env bash
# Builds the Debian package of the program in build-package/ and prints the
# path of the .deb on its last line. Install it with
#   sudo apt install ./orvex01m_VERSION_amd64.deb
# The version is the program's, followed by the time and hash of the commit
# it is built from, so a later commit makes a newer package.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="$root/build-package"

scripts/install-deps.sh
# dpkg-shlibdeps computes the package's Depends; CPack looks for ELF files
# with file.
need=()
command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
command -v file >/dev/null || need+=(file)
if [ ${#need[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

base=$(sed -n 's/^project(orvex01m VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if git rev-parse --verify -q HEAD >/dev/null 2>&1; then
    stamp=$(TZ=UTC git log -1 --date=format-local:%Y%m%d.%H%M%S --format=%cd)
    version="$base+git$stamp.$(git rev-parse --short=8 HEAD)"
    when=$(git log -1 --format=%cD)
else
    version="$base"
    when=$(date -R)
fi

# The changelog the package carries (Debian's format, one entry).
mkdir -p "$build/doc"
maintainer="ORVEX-01m developers <orvex01m@orvex.ru>"
{
    echo "orvex01m ($version) stable; urgency=medium"
    echo
    echo "  * Build of commit $(git rev-parse --short=8 HEAD 2>/dev/null || echo unknown)."
    echo
    echo " -- $maintainer  $when"
} > "$build/doc/changelog"
gzip -9nf "$build/doc/changelog"

# Debian's hardening flags (stack protector, fortified functions, relro,
# bind now), as packages built on Debian get them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DORVEX_BUILD_TESTS=OFF -DORVEX_BUILD_BENCH=OFF -DORVEX_PACKAGE=ON \
    -DORVEX_PACKAGE_VERSION="$version" -DORVEX_PACKAGE_DOC="$build/doc" \
    -DCPACK_DEBIAN_PACKAGE_MAINTAINER="$maintainer" >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/orvex01m_"$version"_*.deb | head -n 1)
echo "$deb"
