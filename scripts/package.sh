#!/usr/bin/env bash
# Builds the Debian packages into build/ and prints their names: scripts/package.sh [DIR].
# Configures a Release build in build/ unless one is there already (which is then used as it is
# configured), builds only what the packages hold, and runs cpack. Install them with
#   sudo apt install ./build/*.deb
# DIR: another build folder, configured already (a cross build: scripts/cross.sh arm64 package).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

dir=${1:-build}
if [[ ! -f $dir/CMakeCache.txt ]]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" --target packaged
rm -f "$dir"/*.deb
(cd "$dir" && cpack --config CPackConfig.cmake >cpack.log 2>&1) ||
    { tail -20 "$dir/cpack.log" >&2; exit 1; }
echo "Packages (install with: sudo apt install ./$dir/*.deb):"
ls -1 "$dir"/*.deb
