#!/usr/bin/env bash
# Runs the link library's test programs under valgrind memcheck: scripts/memcheck.sh [BUILD_DIR]
# BUILD_DIR (default build) is configured when missing; only these programs and termsim are
# built. Any memcheck error, a definite or indirect leak among them, or a failing test fails the
# run. The termsim processes the tests start run natively: this checks the library.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
programs=(vantlink_tests vantlink_exports_tests vantlink_termsim_tests vantlink_reconnect_tests)

if [[ ! -f $dir/build.ninja ]]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" --target "${programs[@]}" termsim

logs=$dir/memcheck
rm -rf "$logs"
mkdir -p "$logs"
status=0
for program in "${programs[@]}"; do
    path=$(find "$dir/linklib/tests" -maxdepth 1 -name "$program" -type f -perm -u+x)
    echo "memcheck: $program"
    # %p: the tests fork helpers (the pty peer), each of which gets a log of its own.
    if ! valgrind --tool=memcheck --error-exitcode=97 --leak-check=full \
        --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
        --track-origins=yes --log-file="$logs/$program.%p.log" "$path" --gtest_brief=1; then
        echo "memcheck: $program FAILED (log: $logs)" >&2
        status=1
    fi
done
for log in "$logs"/*.log; do
    if grep -q "ERROR SUMMARY: [1-9]" "$log"; then
        cat "$log"
    fi
done
exit "$status"
