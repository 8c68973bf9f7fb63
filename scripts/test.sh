#!/usr/bin/env bash
# Builds everything and runs every test; then two-minute soaks under line faults (the library
# alone, and three vantrel lines killed in turn), clang-tidy, the whole suite again under ASan
# and UBSan, every fuzz target, and the cross builds with their tests (Windows under wine, arm64
# under qemu-user).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
step() { printf '\n==== %s (%s)\n' "$1" "$(date +%T)"; }

# Runs the given commands at once, each with its output in a log printed when all have ended;
# fails when any failed. For steps that mostly wait (the soaks poll lines at 9600 baud) beside
# ones that compute.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
together() {
    local pids=() i=0 status=0
    for command in "$@"; do
        bash -c "$command" >"$logs/$i.log" 2>&1 &
        pids+=($!)
        i=$((i + 1))
    done
    for i in "${!pids[@]}"; do
        local rc=0
        wait "${pids[$i]}" || rc=$?
        printf -- '---- %s: exit %d\n' "${@:$((i + 1)):1}" "$rc"
        cat "$logs/$i.log"
        ((rc == 0)) || status=1
    done
    return $status
}

step "build and tests"
# No debug information here: it is most of the compile time, and the sanitized build below has it.
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG"
ctest --test-dir build --output-on-failure -j "$jobs"

# The soaks mostly wait on lines at 9600 baud; clang-tidy computes beside them.
step "soaks and clang-tidy"
together "build/bench/linksoak --minutes 2" \
    "build/bench/linksoak --service --minutes 2 --carrier-rate 0.005" "scripts/lint.sh build"

step "sanitizers"
scripts/sanitize.sh

# Fuzzing is bounded by time, not work; the cross builds compute beside it, and their emulated
# tests allow for a slower machine.
step "fuzzing, Windows under wine, arm64 under qemu"
scripts/setup.sh windows arm64  # once, before three steps that would each call apt at once
together "scripts/fuzz.sh all 20" "scripts/cross.sh windows test" "scripts/cross.sh arm64 test"
step "done"
