#!/usr/bin/env bash
# Makes the portable Windows package: dist/kairodex-<version>-win64.zip with
# kairodex.exe and kairodex-cli.exe (each one file, nothing else needed), the
# README and the licences. Builds what is missing first (the static Qt for
# Windows once, about half an hour; see scripts/build-qt-mingw.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest \
    qt6-translations-l10n
qt_prefix=$(scripts/build-qt-mingw.sh | tail -n 1)
cmake --preset windows -DKAIRODEX_GUI=ON -DKAIRODEX_QT_PREFIX="$qt_prefix" >/dev/null
cmake --build --preset windows -j 2 --target kairodex kairodex-cli

version=$(sed -n 's/^project(Kairodex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="kairodex-$version-win64"
stage=$(mktemp -d "${TMPDIR:-/tmp}/kairodex-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/licenses"
for exe in kairodex kairodex-cli; do
    x86_64-w64-mingw32-strip -o "$stage/$name/$exe.exe" "build-win/bin/$exe.exe"
done
cp README.md "$stage/$name/README.md"
# The pictures the README shows.
mkdir -p "$stage/$name/docs"
cp docs/*.png "$stage/$name/docs/"
cp LICENSE "$stage/$name/LICENSE.txt"
# Qt and the libraries built into it, under their own terms.
cp /usr/share/doc/libqt6core6/copyright "$stage/$name/licenses/Qt.txt"

mkdir -p dist
rm -f "dist/$name.zip"
(cd "$stage" && cmake -E tar cf "$OLDPWD/dist/$name.zip" --format=zip "$name")
echo "package-windows: dist/$name.zip ($(du -h "dist/$name.zip" | cut -f1))"
