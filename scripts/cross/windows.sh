#!/usr/bin/env bash
# The link library and vantctl for Windows with mingw-w64:
#   scripts/cross/windows.sh [i686] [test] [cpu]
# builds vantlink.dll (with libvantlink.dll.a) and vantctl.exe into build-windows/ (32-bit:
# build-windows-i686/, built only). "test" also checks the DLL's export table against
# vantlink.def, runs the Windows tests under wine and vantctl.exe against termsim on wine's COM1;
# "cpu" measures the CPU that vantctl.exe takes under wine while it waits for an answer.
set -euo pipefail
cd "$(dirname "$0")/../.."
arch=x86_64 run_tests=0 measure_cpu=0
for arg in "$@"; do
    case $arg in
    i686) arch=i686 ;;
    test) run_tests=1 ;;
    cpu) measure_cpu=1 ;;
    *)
        echo "usage: scripts/cross/windows.sh [i686] [test] [cpu]" >&2
        exit 2
        ;;
    esac
done
scripts/setup.sh windows
dir=build-windows
[[ $arch == x86_64 ]] || dir=build-windows-$arch
launcher=()
if command -v ccache >/dev/null && [[ -z ${CCACHE_DISABLE:-} ]]; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-windows.cmake -DVANT_WINDOWS_ARCH=$arch \
    "${launcher[@]}" >/dev/null
targets=(vantlink vantctl)
((run_tests)) && [[ $arch == x86_64 ]] && targets+=(vantlink_win_tests)
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
((run_tests || measure_cpu)) || exit 0
if [[ $arch != x86_64 ]]; then
    echo "windows.sh: no 32-bit wine here; $dir is built, not tested" >&2
    exit 0
fi

# wine without a display, a desktop or its installers; its prefix lives in the build folder.
export WINEPREFIX=$PWD/$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

termsim=build/sim/termsim
if [[ ! -x $termsim ]]; then
    termsim=$dir/native/sim/termsim
    cmake -S . -B "$dir/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANT_WITH_QT=OFF \
        "${launcher[@]}" >/dev/null
    cmake --build "$dir/native" --target termsim
fi

work=$(mktemp -d)
sim=
cleanup() {
    # wine first: a server that loses its COM port's device prints every object it holds.
    "$wineserver" -w 2>/dev/null || true
    [[ -n $sim ]] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "windows.sh: $*" >&2
    exit 1
}

# wine's COM1 is termsim's line: the Ports key names the link termsim keeps pointing at it.
printf 'first record\nsecond record\n' >"$work/records.txt"
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 8)' >"$work/all.bin"
"$termsim" --link "$work/com1" --baud 57600 \
    --terminal "A,records=$work/records.txt,store=$work/store" >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do [[ -s $work/sim.out ]] && break || sleep 0.1; done
[[ -s $work/sim.out ]] || fail "termsim did not start"
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$work/com1" /f >/dev/null
"$wineserver" -w
# A generous time-out: wine on a busy machine may answer late, which is not what is tested.
vantctl() {
    (cd "$work" && "$wine" "$OLDPWD/$dir/tools/vantctl.exe" --baud 57600 --timeout 3000 "$@")
}

if ((run_tests)); then
    ctest --test-dir "$dir" -R '^Link' --output-on-failure -j1
    [[ $(vantctl poll A) == $'A first record\r\nA second record\r' ]] || fail "poll"
    vantctl download A all.bin ALL.BIN 2>/dev/null || fail "download"
    vantctl upload A ALL.BIN back.bin >/dev/null || fail "upload"
    cmp "$work/all.bin" "$work/back.bin" || fail "the file came back changed"
    [[ $(vantctl dir A) == *ALL.BIN* ]] || fail "dir"
    if vantctl --port 3 --device '\\.\COM9' id A 2>"$work/err"; then fail "COM9 opened"; fi
    grep -qF 'No such device: \\.\COM9' "$work/err" || fail "COM9: $(cat "$work/err")"
    echo "windows.sh: vantctl.exe under wine: poll, download, upload, dir and COM9 passed"
fi

if ((measure_cpu)); then
    # B never answers: vantctl.exe waits out a 6 s time-out; 3 s of it are measured.
    vantctl --timeout 6000 poll B >/dev/null 2>&1 &
    sleep 2
    ticks() { awk '{print $14 + $15}' "/proc/$(pgrep -x "$1" | head -1)/stat"; }
    a=$(ticks vantctl.exe) b=$(ticks wineserver64)
    sleep 3
    a=$(($(ticks vantctl.exe) - a)) b=$(($(ticks wineserver64) - b))
    hz=$(getconf CLK_TCK)
    echo "windows.sh: CPU while waiting: vantctl.exe $((100 * a / (3 * hz)))%," \
        "wineserver $((100 * b / (3 * hz)))% of one core"
    wait $! || true
fi
