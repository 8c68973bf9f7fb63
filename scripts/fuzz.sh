#!/usr/bin/env bash
# Runs the libFuzzer targets: scripts/fuzz.sh [TARGET|all] [SECONDS]   (default: all, 30 s each)
# Builds them with clang under ASan and UBSan in build-fuzz. Each target starts from its seed
# corpus fuzz/corpus/TARGET; what it finds goes to build-fuzz/corpus/TARGET, a failing input to
# build-fuzz/crashes/. Prints one line per target and fails if any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
seconds=${2:-30}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "fuzz.sh: SECONDS must be a whole number" >&2; exit 2; }
scripts/setup.sh

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANT_SANITIZE=ON -DVANT_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzz_all -j "$(nproc)" >/dev/null

targets=()
for exe in build-fuzz/fuzz/fuzz_*; do
    [[ -x $exe ]] && targets+=("${exe##*/fuzz_}")
done
if [[ $which != all ]]; then
    [[ -x build-fuzz/fuzz/fuzz_$which ]] || {
        echo "fuzz.sh: no target $which (have: ${targets[*]})" >&2
        exit 2
    }
    targets=("$which")
fi

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p build-fuzz/crashes build-fuzz/logs
failed=0
printf '%-20s %12s %8s  %s\n' target inputs seconds result
for t in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$t" "fuzz/corpus/$t"
    log=build-fuzz/logs/$t.log
    result=clean
    if ! "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$t-" \
        "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
        result="FAILED (see $log)"
        failed=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    printf '%-20s %12s %8s  %s\n' "$t" "${runs:-?}" "$seconds" "$result"
done
exit $failed
