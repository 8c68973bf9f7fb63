#!/usr/bin/env bash
# Builds build-asan (Debug, AddressSanitizer + UndefinedBehaviorSanitizer, leak checking) and
# runs the whole suite there but the checks of the Release packages and the soak (see below):
#   scripts/sanitize.sh [cmake options...]
# Every sanitized process writes its report into one folder: the test programs and the termsim,
# vantrel and vantctl they start. Any report there fails the run, also when a test stopped its
# child without looking at the exit status; the reports are printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${VANT_ASAN_DIR:-build-asan}

scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Debug -DVANT_SANITIZE=ON "$@"

reports=$root/$dir/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"

export QT_QPA_PLATFORM=offscreen
# A distinct exit status, so a test that checks its child's status sees the report as a failure.
export ASAN_OPTIONS="detect_leaks=1:exitcode=86:log_path=$reports/asan:log_exe_name=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=86:log_path=$reports/ubsan:log_exe_name=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"
# The receiver's long transfer at the line rate, shortened: its length adds time, not cover.
export TEMBRA_STRESS_LINES=${TEMBRA_STRESS_LINES:-2000}

# Left out: Package.* builds and lints the Debian packages (stripped Release programs without a
# runpath, which a sanitized build is not); the outside consumers of the staged library (plain C
# programs built with its pkg-config and CMake files cannot load a library that needs the ASan
# runtime first); the soak, whose check that memory stays flat means nothing beside the
# sanitizer's own quarantine.
excluded='^(Package\..*|Install\.(FindPackageConsumerBuildsAndRuns|PkgConfigGivesTheStagedFlags)|Soak\..*)$'
# The Qt host's programs leave Qt's own one-time allocations behind at exit, so its tests and the
# ones that run vantrel check addresses and undefined behaviour but not leaks; everything else
# checks leaks too.
qt_host='^(Host|Service|Install)'
status=0
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -E "$excluded|$qt_host" || status=$?
ASAN_OPTIONS="${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0}" \
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -R "$qt_host" -E "$excluded" ||
    status=$?

if compgen -G "$reports/*" >/dev/null; then
    for report in "$reports"/*; do
        echo "==== sanitizer report: ${report#"$reports"/}"
        cat "$report"
    done
    echo "sanitize: reports above" >&2
    status=1
fi
exit "$status"
