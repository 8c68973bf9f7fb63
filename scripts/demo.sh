#!/usr/bin/env bash
# The demo: three simulated terminals holding records, polled into a data file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build >/dev/null

run=$(pwd)/demo-run
rm -rf "$run"
mkdir -p "$run"
for address in A B C; do
    for n in 1 2 3 4; do echo "$address-record-$n scanned 4006381333931"; done >"$run/records-$address.txt"
done

build/sim/termsim --link "$run/com1" --baud 9600 \
    --terminal "A,records=$run/records-A.txt" \
    --terminal "B,records=$run/records-B.txt" \
    --terminal "C,records=$run/records-C.txt" >"$run/termsim.out" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
# termsim prints the line's path once it is ready.
for _ in $(seq 100); do [[ -s $run/termsim.out ]] && break; sleep 0.1; done

echo "Polling terminals A, B and C on $(head -n1 "$run/termsim.out") into $run/POLL.DAT"
VANTLINK_COM1=$run/com1 build/tools/vantctl --port 1 --baud 9600 poll ABC --output "$run/POLL.DAT"
echo "--- POLL.DAT"
tr -d '\r' <"$run/POLL.DAT"
