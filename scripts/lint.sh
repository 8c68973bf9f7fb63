#!/usr/bin/env bash
# clang-tidy over every C++ file of the link library, the operations core, the device list, the
# tools and the simulator, with the checks in .clang-tidy: scripts/lint.sh [BUILD_DIR]
# BUILD_DIR (default build) gives compile_commands.json; it is configured when missing (nothing
# is built). Any warning fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${1:-build}

if [[ ! -f $dir/compile_commands.json ]]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

tidy=clang-tidy-14
files_regex="^$root/(linklib|opscore|devices|tools|sim)/.*\.cpp$"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

if command -v run-clang-tidy-14 >/dev/null; then
    # Exits non-zero when a file has an error; WarningsAsErrors makes every warning one.
    status=0
    run-clang-tidy-14 -clang-tidy-binary "$(command -v "$tidy")" -p "$dir" -quiet \
        -j "$(nproc)" "$files_regex" >"$log" 2>&1 || status=$?
else
    status=0
    while IFS= read -r file; do
        "$tidy" -p "$dir" --quiet "$file" >>"$log" 2>&1 || status=1
    done < <(grep -o '"file": *"[^"]*"' "$dir/compile_commands.json" | sed 's/.*"\([^"]*\)"$/\1/' |
        grep -E "$files_regex" | sort -u)
fi
# The findings without colours, commands and counts of what the system headers hold.
sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -vE 'warnings? generated|^clang-tidy|^Suppressed|^Use -header' || true
if [[ $status -ne 0 ]] || sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -qE '(warning|error):'; then
    echo "lint: clang-tidy found the problems above" >&2
    exit 1
fi
echo "lint: clean"
