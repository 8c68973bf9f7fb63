#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12. Safe to run again.
#   scripts/setup.sh [windows] [arm64]   (also the cross toolchains of those platforms)
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev
    qt6-base-dev qt6-serialport-dev libgl-dev
    # the serial devices present, for the device lists
    libudev-dev
    xvfb xauth socat
    # the face the guide's pictures are drawn with, offscreen at build time
    fonts-dejavu-core
    # a real serial device server (raw TCP and RFC 2217) for the network-line tests and benchmarks
    ser2net
    # the Debian packages (scripts/package.sh) and their tests: cpack's dpkg-shlibdeps and
    # fakeroot, lintian, file, the desktop entry checker and man
    dpkg-dev fakeroot lintian file desktop-file-utils man-db
    # systemd-analyze, which checks the service unit (installing it starts nothing)
    systemd
    # hardening: the fuzz targets (clang, libFuzzer), static analysis and memcheck
    clang-14 libfuzzer-14-dev clang-tidy-14 valgrind
)

# Cross builds only (scripts/cross.sh runs "scripts/setup.sh windows" or "... arm64"): the README's
# two commands never install these.
for platform in "$@"; do
    case $platform in
    windows) packages+=(mingw-w64 wine64 googletest) ;;
    arm64) packages+=(g++-aarch64-linux-gnu qemu-user googletest) ;;
    *)
        echo "setup.sh: no platform $platform (windows, arm64)" >&2
        exit 2
        ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done

if ((${#missing[@]})); then
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    echo "Installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
