#!/usr/bin/env bash
# arm64 (aarch64) build with Debian's cross compiler into build-arm64/: the link library,
# vantctl and termsim, without the Qt programs.
#   scripts/cross/arm64.sh          builds them
#   scripts/cross/arm64.sh test     also builds their tests and runs them under qemu-aarch64
#   scripts/cross/arm64.sh package  also makes the arm64 Debian packages of what was built
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup.sh arm64

dir=build-arm64
targets=(vantlink vantctl termsim)
# Optimised as Debian builds (-O2; -O3 brings GCC 12's false -Wrestrict warnings); the tests
# build unoptimised, which compiles in half the time: emulation, not code, sets their pace.
flags=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG")
case ${1:-} in
test)
    # The library's tests, and vantctl's against termsim (the end-to-end poll, transfers and
    # commands, both programs emulated). termsim's own tests are left to the native build.
    targets+=(vantlink_tests vantlink_exports_tests vantlink_termsim_tests
        vantlink_reconnect_tests vantctl_tests vant_devices_tests)
    flags=(-DCMAKE_BUILD_TYPE=)
    ;;
package) targets=(packaged) ;;
'') ;;
*)
    echo "usage: scripts/cross.sh arm64 [test|package]" >&2
    exit 2
    ;;
esac
# Emulated code runs several times slower: every test's limit is scaled.
cmake -S . -B "$dir" -G Ninja "${flags[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-arm64.cmake" \
    -DVANT_WITH_QT=OFF -DVANT_TIMEOUT_SCALE=3 "${@:2}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"

case ${1:-} in
test)
    # Left out: the placeholders of tests not built above, the install and package checks, the
    # soak, the benchmark and ser2net (a program of the build machine); and what qemu-user 7.2
    # cannot emulate: the termios2 ioctls that read back and set raw rates, and, as root, running
    # a copy of vantctl as another user (the copy is the script that starts the emulator).
    # A timing test that loses to a loaded emulator gets one more run.
    skip='_NOT_BUILT$|^(Install|Package|Soak|Bench)\.'
    skip+='|^LinkPort\.(EveryBaudCodeAndRawRatesReachTheDevice|ByteSizeParityAndStopBits'
    skip+='|ReopeningANumberTakesTheNewSettings)$|^VantctlPoll\.PortWithoutPermission'
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -LE ser2net -E "$skip" \
        --repeat until-pass:2
    ;;
package) scripts/package.sh "$dir" ;;
esac
