#!/usr/bin/env bash
# Checks the layout of the sources, changing nothing, and exits non-zero when
# anything is off:
# - the layers include only downwards: src/base nothing above it, src/platform
#   the base, src/core the platform and the base, src/gui and src/cli the core
#   and below (and neither the other);
# - every C++ source and header (src, tests, bench, fuzz) is laid out as
#   .clang-format says; it lists the files that differ. Fix them with:
#   clang-format -i <files>
set -euo pipefail
cd "$(dirname "$0")/.."

# A layer's files and the folders of src/ their includes may name.
layers=(
    "base:base"
    "platform:base|platform"
    "core:base|platform|core"
    "gui:base|platform|core|gui"
    "cli:base|platform|core|cli"
)
upward=()
for layer in "${layers[@]}"; do
    folder=${layer%%:*}
    allowed=${layer#*:}
    mapfile -d '' sources < <(git ls-files -z -- "src/$folder/*.h" "src/$folder/*.cpp")
    [ ${#sources[@]} -gt 0 ] || continue
    mapfile -t found < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z_]+/' "${sources[@]}" |
        grep -vE "#[[:space:]]*include[[:space:]]*\"($allowed)/" || true)
    upward+=("${found[@]}")
done
if [ ${#upward[@]} -gt 0 ]; then
    echo "format-check: ${#upward[@]} includes reach up a layer (base < platform < core < gui, cli):" >&2
    printf '  %s\n' "${upward[@]}" >&2
    exit 1
fi
echo "format-check: includes point down the layers"

command -v clang-format >/dev/null || scripts/install-deps.sh clang-format

mapfile -d '' files < <(git ls-files -z -- 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' \
    'bench/*.h' 'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp')
# One run over all files; each finding begins with "file:line:col: error:".
report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1) && status=0 || status=$?
mapfile -t drift < <(printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)
if [ "$status" -ne 0 ] && [ ${#drift[@]} -eq 0 ]; then
    printf '%s\n' "$report" >&2
    echo "format-check: clang-format failed" >&2
    exit 1
fi
if [ ${#drift[@]} -gt 0 ]; then
    echo "format-check: ${#drift[@]} of ${#files[@]} files differ from .clang-format:" >&2
    printf '  %s\n' "${drift[@]}" >&2
    echo "format-check: fix with: clang-format -i ${drift[*]}" >&2
    exit 1
fi
echo "format-check: ${#files[@]} files formatted"
