#!/usr/bin/env bash
# Builds everything and runs every test; then two-minute soaks under line faults (the library
# alone, and three vantrel lines killed in turn), clang-tidy, the whole suite again under ASan
# and UBSan, and every fuzz target for 30 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
step() { printf '\n==== %s (%s)\n' "$1" "$(date +%T)"; }

step "build and tests"
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

step "soak"
build/bench/linksoak --minutes 2

step "service soak"
build/bench/linksoak --service --minutes 2 --carrier-rate 0.005

step "clang-tidy"
scripts/lint.sh build

step "sanitizers"
scripts/sanitize.sh

step "fuzzing"
scripts/fuzz.sh all 30
step "done"
