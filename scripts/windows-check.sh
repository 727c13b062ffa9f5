#!/usr/bin/env bash
# The Windows side, checked on Linux: cross-builds the window program, the
# command-line program and the tests for 64-bit Windows with MinGW-w64 and a
# static Qt built from Debian's sources (preset "windows", into build-win/),
# then runs every test under Wine in a fresh Wine prefix, without a display
# (the window tests on Qt's offscreen platform). Installs what it needs first.
#
# The tests run in the zone UTC+8 (Wine takes it from TZ) and under the
# Chinese locale, so Windows' 8-bit code page is 936 (GBK), as on the
# program's users' systems. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

# The cross compiler (posix threads, which std::thread needs), the GoogleTest
# sources built for the target inside the cross build, Qt's Chinese texts,
# Wine for 64-bit programs, the locale sources for the Chinese locale, and
# a virtual display to see the unpacked window program open its window.
scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix googletest qt6-translations-l10n wine64 \
    locales xvfb xauth xdotool

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
if [ ! -x "$wine" ]; then
    wine=$(command -v wine64 || command -v wine)
    wineserver=$(command -v wineserver)
fi

# The static Qt for Windows, from Debian's sources: built once (about half
# an hour on two cores) into a cache outside the clone, then reused.
qt_started=$(date +%s)
qt_prefix=$(scripts/build-qt-mingw.sh | tail -n 1)
echo "windows-check: Qt for Windows ready in $(( $(date +%s) - qt_started )) s ($qt_prefix)"

echo "windows-check: cross build (build-win/)"
cmake --preset windows -DKAIRODEX_GUI=ON -DKAIRODEX_QT_PREFIX="$qt_prefix" >/dev/null
cmake --build --preset windows -j 2

work=$(mktemp -d "${TMPDIR:-/tmp}/kairodex-wine.XXXXXX")
cleanup() {
    local status=$?
    WINEPREFIX="$work/prefix" "$wineserver" -k 2>/dev/null || true
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT

# A Chinese locale of our own (glibc finds it through LOCPATH): Wine needs a
# real UTF-8 locale to name files beyond ASCII, and takes the code page from
# it. Only Wine's commands get it.
mkdir -p "$work/locale" "$work/prefix"
# (localedef also fails for mere warnings; the locale is what counts.)
localedef -i zh_CN -f UTF-8 "$work/locale/zh_CN.UTF-8" || [ -e "$work/locale/zh_CN.UTF-8/LC_CTYPE" ]
chinese=(env LOCPATH="$work/locale" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8)

export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No .NET or HTML engine to offer, and no window to offer them in.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

echo "windows-check: new Wine prefix"
# One server for the prefix and every test program, until cleanup stops it.
"$wineserver" -p
if ! "${chinese[@]}" "$wine" wineboot --init >"$work/wineboot.log" 2>&1; then
    cat "$work/wineboot.log"
    exit 1
fi

echo "windows-check: core, command-line and window tests under Wine"
"${chinese[@]}" ctest --preset windows --timeout 600

echo "windows-check: the portable zip, unpacked on its own"
zip=$(scripts/package-windows.sh | sed -n 's/^package-windows: \(dist\/[^ ]*\.zip\).*/\1/p')
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$OLDPWD/$zip")
version=$("$wine" "$work"/unpacked/*/kairodex-cli.exe --version 2>/dev/null | tr -d '\r')
expected="kairodex-cli $(sed -n 's/^project(Kairodex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
if [ "$version" != "$expected" ] || [ ! -s "$(echo "$work"/unpacked/*/kairodex.exe)" ]; then
    echo "windows-check: the unpacked zip did not run: '$version'" >&2
    exit 1
fi
echo "windows-check: $zip runs from where it was unpacked ($version)"

# The window program from the zip, on the "windows" platform of a virtual
# display: its main window must appear.
title="Kairodex $(sed -n 's/^project(Kairodex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
if ! "${chinese[@]}" xvfb-run -a -s '-screen 0 1920x1080x24' bash -c '
    "$1" "$2" >/dev/null 2>&1 &
    for _ in $(seq 120); do
        if xdotool search --name "^$3\$" >/dev/null 2>&1; then exit 0; fi
        sleep 1
    done
    exit 1' _ "$wine" "$(echo "$work"/unpacked/*/kairodex.exe)" "$title"; then
    echo "windows-check: the unpacked kairodex.exe opened no window \"$title\"" >&2
    exit 1
fi
"$wineserver" -k 2>/dev/null || true
echo "windows-check: the unpacked kairodex.exe opens its window \"$title\""
