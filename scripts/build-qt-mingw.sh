#!/usr/bin/env bash
# Builds the static Qt for 64-bit Windows that the window program links, from
# Debian's own source package qt6-base, with the MinGW-w64 cross compiler
# (posix threads). The host tools of the same version (qt6-base-dev-tools)
# serve as the host Qt. Only what the program needs is built: Core, Gui,
# Widgets and Test, with the "windows" and "offscreen" platform plugins.
#
# The result is installed into a cache folder outside the clone, keyed by
# version and options, and reused when it is there:
#   ${KAIRODEX_CACHE:-/var/cache/kairodex}/qt-<version>-mingw64-static-<key>
# and linked as ${KAIRODEX_CACHE:-/var/cache/kairodex}/qt-mingw64, where the
# "windows" preset looks for it. Prints the folder on standard output, and
# everything else (progress, and a failing step's log) on standard error, so
# a caller that keeps the folder still shows why a build failed. A clean
# build takes about half an hour on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh dpkg-dev cmake ninja-build g++-mingw-w64-x86-64-posix \
    qt6-base-dev-tools qt6-base-dev perl python3 >&2
# The same version as the host tools, which the cross build runs.
debian_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev-tools)
version=${debian_version%%+*}

# What qtbase is configured with; part of the cache key, so a change here
# builds a new Qt next to the old one instead of reusing the wrong one.
options=(
    -static -release -xplatform win32-g++
    -nomake examples -nomake tests -nomake benchmarks
    -no-opengl -no-feature-dynamicgl -no-feature-vulkan
    -no-dbus -no-icu -no-feature-network -no-feature-sql
    -no-feature-printsupport -no-feature-xml -no-feature-concurrent
    -no-feature-tabletevent -no-libjpeg -no-gif
    -qt-zlib -qt-pcre -qt-libpng -qt-freetype -qt-harfbuzz
    -qt-doubleconversion
)
toolchain="$PWD/cmake/mingw-w64-x86_64.cmake"
key=$( (printf '%s\n' "$version" "${options[@]}"; cat "$toolchain") | sha256sum | cut -c1-12)
cache=${KAIRODEX_CACHE:-/var/cache/kairodex}
prefix="$cache/qt-$version-mingw64-static-$key"

# The build finds the current Qt through a link of fixed name.
current="$cache/qt-mingw64"
if [ -e "$prefix/.complete" ]; then
    [ "$(readlink "$current" 2>/dev/null)" = "$prefix" ] || ln -sfn "$prefix" "$current"
    echo "build-qt-mingw: reusing $prefix" >&2
    echo "$prefix"
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo mkdir -p "$cache"
$sudo chown "$(id -u):$(id -g)" "$cache"

started=$(date +%s)
work="$cache/work-$key"
mkdir -p "$work"

# apt-get source needs a deb-src entry. Give apt one of its own (a private
# sources folder, lists folder and cache) so the machine's configuration is
# left as it is.
apt_dir="$work/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
# Debian 12 keeps its sources in the deb822 form; older set-ups in one-line
# form. Either way, the same archives as source archives.
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        >"$apt_dir/sources.list.d/debian-src.sources"
fi
if [ -f /etc/apt/sources.list ]; then
    sed -n -e 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >"$apt_dir/sources.list.d/debian-src.list"
fi
apt_opts=(
    -o "Dir::Etc::SourceList=/dev/null"
    -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Debug::NoLocking=1"
)
src=$(ls -d "$work"/qt6-base-*/ 2>/dev/null | head -n 1 || true)
if [ -z "$src" ]; then
    echo "build-qt-mingw: fetching Debian's source package qt6-base $version" >&2
    apt-get "${apt_opts[@]}" update >/dev/null
    (cd "$work" && apt-get "${apt_opts[@]}" source --download-only "qt6-base=$debian_version" >/dev/null)
    (cd "$work" && dpkg-source -x qt6-base_*.dsc >/dev/null 2>&1)
    src=$(ls -d "$work"/qt6-base-*/ | head -n 1)
fi

build="$work/build"
rm -rf "$build"
mkdir -p "$build"
echo "build-qt-mingw: configuring into $prefix" >&2
(cd "$build" && "$src/configure" -prefix "$prefix" "${options[@]}" -- \
    -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF >"$work/configure.log" 2>&1) || {
    tail -n 60 "$work/configure.log" >&2
    exit 1
}
echo "build-qt-mingw: building (about half an hour on two cores)" >&2
cmake --build "$build" --parallel "$(nproc)" >"$work/build.log" 2>&1 || {
    tail -n 60 "$work/build.log" >&2
    exit 1
}
cmake --install "$build" >"$work/install.log" 2>&1 || {
    tail -n 60 "$work/install.log" >&2
    exit 1
}
touch "$prefix/.complete"
ln -sfn "$prefix" "$current"
rm -rf "$work"
echo "build-qt-mingw: Qt $version for Windows built in $(( $(date +%s) - started )) s" >&2
echo "$prefix"
