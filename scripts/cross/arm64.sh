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
# Emulated code runs several times slower: every test's limit is scaled.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-arm64.cmake" \
    -DVANT_WITH_QT=OFF -DVANT_TIMEOUT_SCALE=3 "${@:2}" >/dev/null
targets=(vantlink vantctl termsim)
case ${1:-} in
test)
    targets+=(vantlink_tests vantlink_exports_tests vantlink_termsim_tests
        vantlink_reconnect_tests vantctl_tests termsim_tests vant_devices_tests)
    ;;
package) targets=(packaged) ;;
'') ;;
*)
    echo "usage: scripts/cross.sh arm64 [test|package]" >&2
    exit 2
    ;;
esac
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"

case ${1:-} in
test)
    # Only the programs built above: the others' placeholders, the install and package checks,
    # the soak, the benchmark and ser2net (a program of the build machine) are left out.
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -LE ser2net \
        -E '_NOT_BUILT$|^(Install|Package|Soak|Bench)\.'
    ;;
package) scripts/package.sh "$dir" ;;
esac
