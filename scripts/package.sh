#!/usr/bin/env bash
# Makes the Debian package dist/kairodex_<version>_<arch>.deb and prints its
# path (the last line; everything else goes to standard error).
#
#   scripts/package.sh [build-folder [output-folder]]
#
# Without arguments it builds in a folder of its own, build-deb/ (Release,
# without the tests), made afresh when it is not there. Given a folder that
# is already configured, such as build/, it packages that build as it is.
# Installs the Debian packages it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-deb}
out=${2:-dist}

# Building, dpkg-shlibdeps for the dependencies (dpkg-dev, file), and
# rsvg-convert for the icon's sizes.
scripts/install-deps.sh g++ cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev \
    dpkg-dev file librsvg2-bin >&2

if [ ! -f "$build/CMakeCache.txt" ]; then
    # With the compiler and linker flags Debian builds its packages with
    # (hardening included), taken by CMake on this first configure.
    # (CMake reads CXXFLAGS and LDFLAGS, not CPPFLAGS.)
    eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
    # Release, at the optimisation level of those flags (-O2) rather than -O3.
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
        -DKAIRODEX_TESTS=OFF >&2
else
    # Seen anew: a build configured before rsvg-convert was there draws the icons now.
    cmake "$build" >/dev/null
fi
cmake --build "$build" -j 2 >&2

rm -rf "$build/package"
(cd "$build" && cpack -G DEB) >&2
deb=$(find "$build/package" -maxdepth 1 -name 'kairodex_*.deb' -print -quit)
[ -n "$deb" ] || { echo "package: cpack made no .deb" >&2; exit 1; }
mkdir -p "$out"
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
