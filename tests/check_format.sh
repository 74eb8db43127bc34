#!/bin/sh
# Fails when a tracked C++ source file differs from what clang-format makes of it with the project's
# .clang-format, and names every such file. Skips (exit 77) when clang-format or the git checkout is missing.
set -u
cd "$1" || exit 1
if ! command -v clang-format >/dev/null 2>&1; then
    echo "clang-format is not installed: the source format is not checked" >&2
    exit 77
fi
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "not a git checkout: the tracked files are unknown, the source format is not checked" >&2
    exit 77
fi
unformatted=0
for file in $(git ls-files '*.cpp' '*.h'); do
    [ -f "$file" ] || continue
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file (run: clang-format -i $file)"
        unformatted=$((unformatted + 1))
    fi
done
[ "$unformatted" -eq 0 ] || { echo "$unformatted file(s) not formatted"; exit 1; }
echo "every tracked source file is formatted"
