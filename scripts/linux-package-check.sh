#!/usr/bin/env bash
# The Linux installation and its Debian package, checked:
#  - the desktop entry and the AppStream data as installed (into a staging
#    folder) pass desktop-file-validate and appstreamcli validate;
#  - the package is made from the existing build (build/, see
#    scripts/package.sh) and lintian finds no error in it;
#  - as root (or with sudo that asks no password) it is installed with dpkg,
#    /usr/bin/kairodex-cli --version answers with the project's version, and
#    after removing and purging it none of its files or folders is left.
#    The package is never left installed, not even when a step fails; when
#    kairodex is installed already, that installation is left alone and this
#    part is skipped.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

scripts/install-deps.sh desktop-file-utils appstream lintian dpkg-dev file librsvg2-bin

version=$(sed -n 's/^project(Kairodex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog_version=$(sed -n '1s/^kairodex (\([^)]*\)).*/\1/p' packaging/linux/changelog)
if [ "$changelog_version" != "$version" ]; then
    echo "linux-package-check: packaging/linux/changelog begins with $changelog_version, the project is $version" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kairodex-deb.XXXXXX")
root=""
installed=""
cleanup() {
    local status=$?
    if [ -n "$installed" ]; then
        $root dpkg -P kairodex >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT

echo "linux-package-check: package (lintian, staging, validators)"
deb=$(scripts/package.sh build "$work/out" 2>"$work/package.log" | tail -n 1) || {
    cat "$work/package.log"
    exit 1
}
# lintian exits non-zero on errors (and only then).
lintian --display-info "$deb" | tee "$work/lintian.txt"

DESTDIR="$work/stage" cmake --install build --prefix /usr >/dev/null
desktop-file-validate "$work/stage/usr/share/applications/kairodex.desktop"
appstreamcli validate --no-net "$work/stage/usr/share/metainfo/io.github.kairodex.Kairodex.metainfo.xml"

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        root="sudo -n"
    else
        echo "linux-package-check: not root and no password-free sudo: installing the package is skipped"
        echo "linux-package-check: done in $(( $(date +%s) - started )) s"
        exit 0
    fi
fi
if dpkg-query -W -f='${Status}' kairodex 2>/dev/null | grep -q "ok installed"; then
    echo "linux-package-check: kairodex is installed on this system: installing the package is skipped"
    echo "linux-package-check: done in $(( $(date +%s) - started )) s"
    exit 0
fi

echo "linux-package-check: install, run, remove ($deb)"
# What the package holds, and which of its folders are not there yet (those
# must go again with it).
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/\?$' >"$work/contents"
: >"$work/new"
while IFS= read -r path; do
    [ -e "$path" ] || echo "$path" >>"$work/new"
done <"$work/contents"

installed=yes
$root dpkg -i "$deb" >/dev/null
dpkg -L kairodex | grep -v '^/\.$' | sort >"$work/listed"
missing=$(sort "$work/contents" | comm -23 - "$work/listed")
if [ -n "$missing" ]; then
    echo "linux-package-check: not listed by dpkg -L after installing:" >&2
    echo "$missing" >&2
    exit 1
fi
answer=$(/usr/bin/kairodex-cli --version)
if [ "$answer" != "kairodex-cli $version" ]; then
    echo "linux-package-check: /usr/bin/kairodex-cli --version said \"$answer\"" >&2
    exit 1
fi
if ldd /usr/bin/kairodex | grep -q "not found"; then
    ldd /usr/bin/kairodex >&2
    exit 1
fi

$root dpkg -r kairodex >/dev/null
# Only a package with configuration files is still there to purge.
if dpkg-query -W -f='${Status}' kairodex 2>/dev/null | grep -q "config-files"; then
    $root dpkg -P kairodex >/dev/null
fi
installed=""
if dpkg-query -W -f='${Status}' kairodex 2>/dev/null | grep -q "installed"; then
    echo "linux-package-check: kairodex is still known to dpkg after purging" >&2
    exit 1
fi
left=""
while IFS= read -r path; do
    if [ -e "$path" ] || [ -L "$path" ]; then left+="$path"$'\n'; fi
done <"$work/new"
if [ -n "$left" ]; then
    echo "linux-package-check: left after purging:" >&2
    printf '%s' "$left" >&2
    exit 1
fi
echo "linux-package-check: $(wc -l <"$work/contents") paths installed and removed again"
echo "linux-package-check: done in $(( $(date +%s) - started )) s"
