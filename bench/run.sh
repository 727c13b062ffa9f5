#!/usr/bin/env bash
# Times kairodex-cli against other tools and against bare loops (the floor:
# only the system calls no program can avoid) on one generated photo tree,
# and prints the medians and their ratios. Not part of the test run.
#
#   bench/run.sh [COUNT]        COUNT photos, 20000 by default
#
# Settings (environment):
#   KAIRODEX_BENCH_DIR     where the trees go (default: $TMPDIR or /tmp)
#   KAIRODEX_BENCH_BUILD   build folder (default: build-perf), a Release build
#   KAIRODEX_BENCH_RUNS    runs per command (default: 10; exiftool: 3)
#   KAIRODEX_BENCH_SUBSET  photos in the tree exiftool is timed on (default:
#                          COUNT / 20, at least 200); its time is scaled to
#                          COUNT, since it takes minutes on the whole tree
#
# Needs what scripts/install-deps.sh installs; installs hyperfine and
# exiftool (Debian: libimage-exiftool-perl) itself when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-20000}
runs=${KAIRODEX_BENCH_RUNS:-10}
subset=${KAIRODEX_BENCH_SUBSET:-$((count / 20))}
((subset < 200)) && subset=200
((subset > count)) && subset=$count
build=${KAIRODEX_BENCH_BUILD:-build-perf}
work=${KAIRODEX_BENCH_DIR:-${TMPDIR:-/tmp}}/kairodex-bench

# --- tools ---------------------------------------------------------------------
scripts/install-deps.sh hyperfine libimage-exiftool-perl >/dev/null

echo "bench: building kairodex-cli and the bench tools in $build (Release)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAIRODEX_GUI=OFF -DKAIRODEX_TESTS=OFF \
    -DKAIRODEX_BENCH=ON >/dev/null
cmake --build "$build" --target kairodex-cli make_photo_tree bare_loops >/dev/null
bin=$build/bin
cli=$bin/kairodex-cli

# --- trees ---------------------------------------------------------------------
mkdir -p "$work"
make_tree() { # folder count: made once, kept for the next run
    if [ ! -e "$1.done" ]; then
        echo "bench: making $2 photos in $1"
        rm -rf "$1"
        "$bin/make_photo_tree" "$1" "$2" >/dev/null
        touch "$1.done"
    fi
}
tree=$work/photos-$count
small=$work/photos-$subset
target=$work/photos-$count-target
make_tree "$tree" "$count"
make_tree "$small" "$subset"
# The sync target: the same names, empty files, times of now.
rm -rf "$target"
cp -r --attributes-only "$tree" "$target"
# Every tool reads from the page cache.
find "$tree" "$small" -type f -print0 | xargs -0 cat >/dev/null

# --- timing --------------------------------------------------------------------
# bench NAME RUNS WARMUP COMMAND...: hyperfine without a shell; medians in NAME.csv.
bench() {
    local name=$1 n=$2 warmup=$3
    shift 3
    if ! hyperfine -N -i --style basic -w "$warmup" -r "$n" --export-csv "$work/$name.csv" "$@" \
        >"$work/$name.log" 2>&1; then
        cat "$work/$name.log"
        exit 1
    fi
}
# median NAME I: the median of the I-th command (from 1), in seconds.
median() { awk -F, -v row="$(($2 + 1))" 'NR == row { print $4 }' "$work/$1.csv"; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

echo "bench: timing (medians of $runs runs; exiftool: 3 runs on $subset photos)"
bench list "$runs" 2 \
    "$bin/bare_loops list $tree" \
    "$cli list -r $tree" \
    "$cli list -r -j 1 $tree" \
    "find $tree -printf '%T@ %p\n'"
bench set "$runs" 1 \
    "$bin/bare_loops set $tree" \
    "$cli set --from photo --kinds m -r $tree" \
    "$cli set --from photo --kinds m -r -j 1 $tree"
bench sync "$runs" 1 \
    "$bin/bare_loops sync $tree $target" \
    "$cli sync-dir $tree $target"
bench exiftool 3 0 \
    "exiftool -ver" \
    "exiftool -r -fast2 -DateTimeOriginal $small" \
    "exiftool -q -q -r '-FileModifyDate<DateTimeOriginal' $small"

floorList=$(median list 1) cliList=$(median list 2) cliList1=$(median list 3) find=$(median list 4)
floorSet=$(median set 1) cliSet=$(median set 2) cliSet1=$(median set 3)
floorSync=$(median sync 1) cliSync=$(median sync 2)
# exiftool's start-up is paid once; the rest grows with the number of files.
start=$(median exiftool 1)
exifList=$(calc %.3f "$start + ($(median exiftool 2) - $start) * $count / $subset")
exifSet=$(calc %.3f "$start + ($(median exiftool 3) - $start) * $count / $subset")

# --- report --------------------------------------------------------------------
cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)
mem=$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
fs=$(stat -f -c %T "$work")
size=$(du -sh "$tree" | cut -f1)
row() { printf '  %-58s %8.3f s  %s\n' "$1" "$2" "${3:-}"; }

echo
echo "Machine: $(nproc) cores ($cpu), $mem, $(uname -sr), $fs; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Tree: $count files ($size) in $tree, page cache warm"
echo "exiftool is timed on a $subset-photo tree of the same kind and scaled to $count:"
echo "its start-up ($(calc %.3f "$start") s) once, the rest per file."
echo
echo "Listing (times of every entry and the photo time of every JPEG):"
row "bare loop: walk, statx, one 64 KiB read (floor)" "$floorList"
row "kairodex-cli list -r" "$cliList" "$(calc %.2f "$cliList / $floorList") x floor (target <= 1.5)"
row "kairodex-cli list -r -j 1" "$cliList1" "$(calc %.2f "$cliList1 / $floorList") x floor"
row "find -printf '%T@ %p\\n' (stat only)" "$find" "$(calc %.2f "$cliList / $find") x: kairodex-cli / find"
row "exiftool -r -fast2 -DateTimeOriginal (scaled)" "$exifList" \
    "$(calc %.0f "$exifList / $cliList") x slower than kairodex-cli"
echo
echo "Setting the modification time to the photo time:"
row "bare loop: walk, statx, read, utimensat (floor)" "$floorSet"
row "kairodex-cli set --from photo --kinds m -r" "$cliSet" "$(calc %.2f "$cliSet / $floorSet") x floor (target <= 2)"
row "kairodex-cli set --from photo --kinds m -r -j 1" "$cliSet1" "$(calc %.2f "$cliSet1 / $floorSet") x floor"
row "exiftool '-FileModifyDate<DateTimeOriginal' -r (scaled)" "$exifSet" \
    "$(calc %.0f "$exifSet / $cliSet") x slower than kairodex-cli"
echo
echo "Synchronising a copy of the tree from the tree:"
row "bare loop: walk target, statx source, utimensat (floor)" "$floorSync"
row "kairodex-cli sync-dir" "$cliSync" "$(calc %.2f "$cliSync / $floorSync") x floor"
echo
echo "hyperfine's own reports: $work/{list,set,sync,exiftool}.log"
