#!/usr/bin/env bash
# Builds everything and runs every test, then the unit tests again under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

# Sanitizers: the library's and the host's unit tests.
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVANT_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -R '^(Link|Host)'
