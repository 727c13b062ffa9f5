#!/usr/bin/env bash
# Checks that every C++ source and header (src, tests, bench, fuzz) is laid out
# as .clang-format says. Changes nothing; lists the files that differ and exits
# non-zero when there are any. Fix them with: clang-format -i <files>
set -euo pipefail
cd "$(dirname "$0")/.."

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
