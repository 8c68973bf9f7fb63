#!/usr/bin/env bash
# Records per second that vantrel writes to POLL.DAT while polling simulated terminals, measured
# from the first record in the file to the last (start-up and the closing wait left out).
#   host/polling/poll_bench.sh [BUILD_DIR] [TERMINALS] [RECORDS] [LENGTH] [BAUD]
# Defaults: build, 4 terminals of 1000 records of 40 bytes each, 57600 baud.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build}" && pwd)
terminals=${2:-4}
records=${3:-1000}
length=${4:-40}
baud=${5:-57600}
addresses=ABCDEFGHIJKLMNOPQRSTUVWXY
addresses=${addresses:0:terminals}
total=$((terminals * records))

run=$(mktemp -d)
sim=
vantrel_pid=
cleanup() {
    [[ -n $vantrel_pid ]] && kill "$vantrel_pid" 2>/dev/null
    [[ -n $sim ]] && kill "$sim" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT

specs=()
for ((i = 0; i < terminals; i++)); do specs+=(--terminal "${addresses:i:1},generate=${records}x${length}"); done
"$build/sim/termsim" --link "$run/com1" --baud "$baud" "${specs[@]}" >"$run/termsim.out" &
sim=$!
for _ in $(seq 100); do [[ -s $run/termsim.out ]] && break; sleep 0.1; done

cat >"$run/Vantcom.ini" <<INI
[Communication]
Port=1
BaudRate=$baud
Terminal_type=KD31/KD32
Address=$addresses
[POLL]
File_Name=POLL.DAT
Open_Method=New
Polling_Period=ExistWhenPeriodNoData
Poll_Max_Wait_Time=2
Token_file=No
[COMMAND_LINE]
AUTO_EXIT=Yes
SHOW_ERROR_BOX=No
INI

lines() { [[ -f $run/POLL.DAT ]] && wc -l <"$run/POLL.DAT" || echo 0; }
now() { date +%s.%N; }

(cd "$run" && VANTLINK_COM1=$run/com1 QT_QPA_PLATFORM=offscreen \
    exec "$build/host/vantrel" "$addresses" 1 2>/dev/null) &
vantrel_pid=$!
started=$(now)
first=
while (($(lines) < 1)); do
    kill -0 "$vantrel_pid" 2>/dev/null || { echo "vantrel ended before the first record" >&2; exit 1; }
    sleep 0.01
done
first=$(now)
while (($(lines) < total)); do
    kill -0 "$vantrel_pid" 2>/dev/null || break
    sleep 0.02
done
last=$(now)
stored=$(lines)
wait "$vantrel_pid" || true
vantrel_pid=

awk -v n="$stored" -v t="$total" -v s="$started" -v f="$first" -v l="$last" -v b="$baud" \
    -v k="$terminals" -v len="$length" 'BEGIN {
    printf "vantrel: %d of %d records (%d terminals, %d bytes each, %d baud)\n", n, t, k, len, b
    printf "  first record %.2f s after start, last %.2f s after the first\n", f - s, l - f
    printf "  %.1f records/s into POLL.DAT\n", (n - 1) / (l - f)
}'
