#!/usr/bin/env bash
# The demo: vantrel polls three simulated terminals into its poll data file. With a display it
# opens its window and polls until you close it; without one it runs offscreen from the
# command line, stops by itself once no record came for two seconds, and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${DEMO_BUILD_DIR:-build}
scripts/setup.sh
# Only what the demo runs, with the build tool's own progress: a first build takes minutes.
echo "Building termsim and vantrel in $build/"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target termsim vantrel

run=$(pwd)/demo-run
rm -rf "$run"
mkdir -p "$run"
for address in A B C; do
    for n in 1 2 3 4; do echo "$address-record-$n scanned 4006381333931"; done >"$run/records-$address.txt"
done

echo "Starting termsim: terminals A, B and C with four records each, at 9600 baud"
"$build/sim/termsim" --link "$run/com1" --baud 9600 \
    --terminal "A,records=$run/records-A.txt" \
    --terminal "B,records=$run/records-B.txt" \
    --terminal "C,records=$run/records-C.txt" >"$run/termsim.out" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
# termsim prints the line's path once it is ready.
for _ in $(seq 100); do [[ -s $run/termsim.out ]] && break; sleep 0.1; done

if [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
    windowed=1
    period=Continuous
    auto_exit=No
else
    windowed=0
    period=ExistWhenPeriodNoData
    auto_exit=Yes
fi
# COM1 at 9600 baud, one terminal model, the poll data file without a token file, and no
# message boxes for errors during the unattended run.
cat >"$run/Vantcom.ini" <<INI
[Communication]
Port=1
BaudRate=9600
Terminal_type=KD31/KD32
Address=ABC
[POLL]
File_Name=POLL.DAT
Open_Method=New
Polling_Period=$period
Poll_Max_Wait_Time=2
Token_file=No
[COMMAND_LINE]
AUTO_EXIT=$auto_exit
SHOW_ERROR_BOX=No
INI

vantrel=$(pwd)/$build/host/vantrel
cd "$run"
if ((windowed)); then
    echo "vantrel polls A, B and C on $(head -n1 termsim.out); close its window to end the demo"
    VANTLINK_COM1=$run/com1 "$vantrel" ABC 1
else
    echo "No display: vantrel polls A, B and C on $(head -n1 termsim.out) offscreen and exits"
    echo "once no record came for 2 seconds"
    VANTLINK_COM1=$run/com1 QT_QPA_PLATFORM=offscreen timeout 120 "$vantrel" ABC 1 2>/dev/null
fi
echo "--- $run/POLL.DAT"
tr -d '\r' <"$run/POLL.DAT"
