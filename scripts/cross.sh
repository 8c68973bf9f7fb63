#!/usr/bin/env bash
# Builds for another platform with Debian's cross toolchains, installing them first:
#   scripts/cross.sh windows|arm64 [test]
# into build-windows/ or build-arm64/; with "test", also runs what can run here (under wine or
# qemu-user).
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-} in
windows | arm64) exec "scripts/cross/$1.sh" "${@:2}" ;;
*)
    echo "usage: scripts/cross.sh windows|arm64 [test]" >&2
    exit 2
    ;;
esac
