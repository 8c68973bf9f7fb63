#!/usr/bin/env bash
# Polling as a service: service_test.sh CASE. The build passes the set-up script (VANT_SETUP),
# the unit template (VANT_UNIT_TEMPLATE) and the programs (VANT_VANTREL, VANT_TERMSIM).
set -euo pipefail

work=$(mktemp -d)
children=()
cleanup() {
    local pid
    for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${children[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

setup() {
    "$VANT_SETUP" --state-dir "$work/state" --config-dir "$work/etc" \
        --unit-dir "${unit_dir:-$work/units}" --owner - "$@"
}

# The value of KEY in an ini or environment file, first match.
value_of() {
    sed -n "s/^$2=//p" "$1" | head -n1
}

expect_value() {
    local got
    got=$(value_of "$1" "$2")
    [[ $got == "$3" ]] || fail "$1: $2 is '$got', expected '$3'"
}

case_SetupWritesTheInstanceLayout() {
    setup line1 /dev/ttyUSB0 abc >/dev/null
    local ini=$work/state/line1/Vantcom.ini env=$work/etc/line1.env
    expect_value "$ini" Address ABC
    expect_value "$ini" Port 1
    expect_value "$ini" File_Name POLL.DAT
    expect_value "$ini" Open_Method Append
    expect_value "$ini" Polling_Period Continuous
    expect_value "$ini" Token_file No
    expect_value "$ini" AUTO_EXIT Yes
    expect_value "$ini" SHOW_ERROR_BOX No
    expect_value "$env" VANTLINK_COM1 /dev/ttyUSB0
    expect_value "$env" VANTREL_ADDRESSES ABC
    [[ ! -e $work/state/line1/token.txt ]] || fail "a line of its own needs no token"

    # Joined to a shared data file: the token is created free, linked, and the file named.
    setup line1 /dev/ttyUSB0 ABC --shared-data "$work/shared/POLL.DAT" \
        --shared-token "$work/shared/token.txt" >/dev/null
    expect_value "$ini" File_Name "$work/shared/POLL.DAT"
    expect_value "$ini" Token_file Yes
    [[ -f $ini.old ]] || fail "the earlier Vantcom.ini was not kept"
    [[ $(readlink "$work/state/line1/token.txt") == "$work/shared/token.txt" ]] ||
        fail "token.txt does not link to the shared token"
    [[ $(cat "$work/shared/token.txt") == "Available  " ]] || fail "the token is not free"
    [[ $(stat -c %s "$work/shared/token.txt") == 11 ]] || fail "the token is not 11 bytes"
    [[ -f $work/shared/POLL.DAT ]] || fail "the shared data file was not created"
    local drop_ins=$work/units/vantrel-poll@line1.service.d
    expect_value "$drop_ins/shared-data.conf" ReadWritePaths "\"$work/shared\""

    # A second line joins while the first holds the token: the token is left alone.
    # Its adapter by the stable name that survives a re-plug.
    printf 'Unavailable' >"$work/shared/token.txt"
    local stable=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1B2C-if00-port0
    setup line2 "$stable" D --shared-data "$work/shared/POLL.DAT" \
        --shared-token "$work/shared/token.txt" >/dev/null
    [[ $(cat "$work/shared/token.txt") == Unavailable ]] || fail "a held token was reset"
    expect_value "$work/etc/line2.env" VANTLINK_COM1 "$stable"

    # Back to a data file of its own, on a device server: the link goes.
    setup line1 rfc2217://localhost:4001 ABC >/dev/null
    expect_value "$env" VANTLINK_COM1 rfc2217://localhost:4001
    [[ ! -e $work/state/line1/token.txt ]] || fail "the token link stayed"
    expect_value "$ini" Token_file No
    [[ ! -e $drop_ins/shared-data.conf ]] || fail "the shared folder stayed writable"

    # A device server's addresses are let through by a drop-in; a device again removes it.
    local drop_in=$drop_ins/network.conf row
    for row in "rfc2217://localhost:4001=*127.0.0.1*" "tcp://[::1]:4001=::1" \
        "tcp://192.0.2.7:4001=192.0.2.7" "/dev/ttyS0="; do
        setup line1 "${row%%=*}" ABC >/dev/null
        if [[ -z ${row#*=} ]]; then
            [[ ! -e $drop_in ]] || fail "the network drop-in stayed for ${row%%=*}"
            continue
        fi
        # shellcheck disable=SC2053  # the row's addresses are a pattern
        [[ $(value_of "$drop_in" IPAddressAllow) == ${row#*=} ]] ||
            fail "${row%%=*} allows '$(value_of "$drop_in" IPAddressAllow)'"
        expect_value "$drop_in" RestrictAddressFamilies "AF_UNIX AF_INET AF_INET6"
        expect_value "$drop_in" PrivateNetwork no
    done
}

case_SetupRefusesBadInput() {
    local -a bad=(
        "../x /dev/ttyUSB0 A"
        "a/b /dev/ttyUSB0 A"
        ".hidden /dev/ttyUSB0 A"
        "line ttyUSB0 A"
        "line /dev/ttyUSB0 AZ"
        "line /dev/ttyUSB0 A7"
        "line /dev/ttyUSB0 AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
        "line /dev/ttyUSB0"
        "line /dev/ttyUSB0 A extra"
        "line /dev/ttyUSB0 A --shared-data /srv/POLL.DAT"
        "line /dev/ttyUSB0 A --shared-data POLL.DAT --shared-token /srv/token.txt"
        "line /dev/ttyUSB0 A --shared-data /srv/t --shared-token /srv/t"
        "line /dev/ttyUSB0 A --baud fast"
        "line /dev/ttyUSB0 A --bogus"
        "line /dev/ttyUSB0 A --baud"
        $'line /dev/tty\\USB0 A'
        $'line /dev/tty\nUSB0 A'
        "line|/dev/ttyUSB0|A|--shared-data|/srv/POLL.DAT |--shared-token|/srv/t"
        "line /dev/ttyUSB0 A --shared-data $work --shared-token /srv/t"
        "line /dev/ttyUSB0 A --shared-data /$(printf %099d 0) --shared-token /srv/t"
        "line udp://10.0.0.5:4001 A"
        "line tcp://10.0.0.5 A"
        "line tcp://10.0.0.5:65536 A"
        "line rfc2217://:4001 A"
        "line tcp://no-such-host.invalid:4001 A"
        'line /dev/ttyUSB0 A --shared-data /srv/a"b --shared-token /srv/t'
    )
    local arguments status IFS=' '
    for arguments in "${bad[@]}"; do
        if [[ $arguments == *'|'* ]]; then IFS='|'; else IFS=' '; fi # '|' where words hold blanks
        status=0
        # shellcheck disable=SC2086  # the cases are written as words
        setup $arguments >/dev/null 2>"$work/err" || status=$?
        [[ $status == 2 ]] || fail "'$arguments' gave status $status, expected 2"
        [[ -s $work/err ]] || fail "'$arguments' was refused without a word"
    done
    status=0
    setup "" /dev/ttyUSB0 A >/dev/null 2>&1 || status=$?
    [[ $status == 2 ]] || fail "an empty line name gave status $status"
    [[ ! -e $work/state && ! -e $work/etc && ! -e $work/units ]] ||
        fail "a refused set-up left files behind"
}

# termsim on LINK with two terminals of COUNT generated records each; prints nothing.
start_termsim() {
    local link=$1 first=$2 second=$3 count=$4
    "$VANT_TERMSIM" --link "$link" --baud 115200 --terminal "$first,generate=${count}x60" \
        --terminal "$second,generate=${count}x60" >"$link.out" &
    children+=($!)
    local _
    for _ in $(seq 200); do [[ -s $link.out ]] && return; sleep 0.05; done
    fail "termsim on $link did not start"
}

# The lines the data file must hold for ADDRESS with COUNT records of 60 bytes (termsim's
# generate=: address, number, then a fixed filler).
expected_lines() {
    local address=$1 count=$2 n text filler="-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    local width=${#count}
    for ((n = 1; n <= count; n++)); do
        text=$address$(printf "%0${width}d" "$n")
        while ((${#text} < 60)); do text+=$filler; done
        printf '%s %s\r\n' "$address" "${text:0:60}"
    done
}

case_TwoLinesShareOneDataFileThroughTheToken() {
    local count=100 shared=$work/shared
    start_termsim "$work/com-a" A B $count
    start_termsim "$work/com-b" C D $count
    setup line-a "$work/com-a" AB --baud 115200 --shared-data "$shared/POLL.DAT" \
        --shared-token "$shared/token.txt" >/dev/null
    setup line-b "$work/com-b" CD --baud 115200 --shared-data "$shared/POLL.DAT" \
        --shared-token "$shared/token.txt" >/dev/null

    # Each started as the unit starts it: in its folder, with its environment file.
    local line pids=()
    for line in line-a line-b; do
        (
            set -a
            # shellcheck disable=SC1090
            source "$work/etc/$line.env"
            cd "$work/state/$line"
            export QT_QPA_PLATFORM=offscreen
            exec "$VANT_VANTREL" "$VANTREL_ADDRESSES" 1 2>"$work/$line.err"
        ) &
        pids+=($!)
        children+=($!)
    done
    local want=$((4 * count)) _
    for _ in $(seq 400); do
        (($(wc -l <"$shared/POLL.DAT") >= want)) && break
        sleep 0.1
    done
    local pid status
    for pid in "${pids[@]}"; do kill -TERM "$pid"; done
    for pid in "${pids[@]}"; do
        status=0
        wait "$pid" || status=$?
        [[ $status == 0 ]] || fail "vantrel ended with $status after SIGTERM"
    done

    # Every record of both lines once, each line whole: nothing interleaved.
    diff <(for address in A B C D; do expected_lines $address $count; done | sort) \
        <(sort "$shared/POLL.DAT") >"$work/diff" ||
        {
            head -n 20 "$work/diff" >&2
            fail "the shared data file differs from the records of both lines"
        }
    [[ $(cat "$shared/token.txt") == "Available  " ]] || fail "the token was not given back"
    grep -q "SIGTERM received" "$work/line-a.err" || fail "line-a's journal misses the stop"
}

# Run again as root, the set-up meets links that the service user (nobody) put where it writes:
# it refuses each, and touches neither what a link points to nor a target that is missing.
case_SetupFollowsNoLinkWhereItWrites() {
    ((EUID == 0)) || { echo "only root hands the folders to another user"; exit 77; }
    chmod 0755 "$work"
    local -a args=(line1 /dev/ttyUSB0 ABC --owner nobody --shared-data "$work/shared/POLL.DAT"
        --shared-token "$work/shared/token.txt")
    setup "${args[@]}" >/dev/null
    [[ $(cd "$work" && stat -c %U state state/line1 state/line1/Vantcom.ini shared shared/* |
        sort -u) == nobody && $(stat -c %a "$work/shared") == 2775 ]] ||
        fail "the folders and files are not the service user's"
    mkdir "$work/base" && cp -a "$work"/{state,etc,shared} "$work/base"
    printf secret >"$work/victim" && chmod 0600 "$work/victim"
    local place target status
    for place in state state/line1 state/line1/Vantcom.ini{,.old,.new} shared shared/token.txt \
        shared/POLL.DAT etc/line1.env{,.new}; do
        for target in "$work/victim" "$work/absent"; do
            rm -rf "${work:?}"/{state,etc,shared} && cp -a "$work/base"/* "$work"
            rm -rf "${work:?}/$place" && ln -s "$target" "$work/$place"
            status=0
            setup "${args[@]}" >/dev/null 2>"$work/err" || status=$?
            [[ $status == 2 && $(<"$work/err") == *"'$work/$place' is a symbolic link"* &&
                $(stat -c '%U %a %s' "$work/victim") == "root 600 6" && ! -e $work/absent ]] ||
                fail "a link at $place to $target: status $status, $(<"$work/err")"
        done
    done
}

case_UnitNamesTheProgramAndPassesVerification() {
    local unit=$work/vantrel-poll@line1.service
    sed "s|@VANTREL_PROGRAM@|$VANT_VANTREL|" "$VANT_UNIT_TEMPLATE" >"$unit"
    ! grep -q "@[A-Z_]*@" "$unit" || fail "the unit holds a placeholder: $(grep "@[A-Z_]*@" "$unit")"
    local key
    for key in "RestartPreventExitStatus=78" \
        "WorkingDirectory=/var/lib/vantrel/%i" "StateDirectory=vantrel/%i" \
        "EnvironmentFile=-/etc/vantrel/%i.env" "KillSignal=SIGTERM" "SupplementaryGroups=dialout" \
        "Environment=QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=%t/vantrel/%i" \
        "WantedBy=multi-user.target"; do
        grep -qxF "$key" "$unit" || fail "the unit lacks '$key'"
    done
    grep -q '^TimeoutStopSec=[0-9]' "$unit" || fail "the unit has no stop time-out"
    grep -q '^Restart=' "$unit" || fail "the unit is not restarted"
    # The start as systemd makes it, printf for vantrel: only address characters, as one word.
    local start row got status
    start=$(sed -n "s/^ExecStart=//p" "$VANT_UNIT_TEMPLATE" |
        sed "s/\\$\\$/$/g; s/%i/line1/g; s|@VANTREL_PROGRAM@|$(type -P printf)|")
    for row in ABC=ABC = "A B=" "A L /etc/hostname X=" abc= A7= "$(printf A%.0s {1..41})="; do
        status=0
        got=$(export VANTREL_ADDRESSES=${row%%=*} && eval "$start" 2>"$work/err") || status=$?
        [[ $got == "${row#*=}" && ($status == 0 || ($status == 78 && -s $work/err)) ]] ||
            fail "VANTREL_ADDRESSES='${row%%=*}' started '$got' with status $status"
    done
    if ! command -v systemd-analyze >/dev/null; then
        echo "systemd-analyze is not installed: the unit was only read"
        exit 77
    fi
    # Complaints about the unit's own text point at its file and line; those about this
    # machine (no vantrel user, no running manager) do not, and are not the unit's fault.
    local out
    out=$(systemd-analyze verify --man=no "$unit" 2>&1 || true)
    if grep -e "$unit:[0-9]" -e "Unknown key" -e "Unknown section" -e "Invalid" <<<"$out"; then
        fail "systemd-analyze verify finds fault with the unit"
    fi

    # Locked down whether the line is a device or a device server (with the drop-in the set-up
    # writes for it), as a system under a root of its own holds them.
    local root=$work/root units exposure line
    units=$root/etc/systemd/system
    mkdir -p "$units"
    sed "s|@VANTREL_PROGRAM@|$VANT_VANTREL|" "$VANT_UNIT_TEMPLATE" >"$units/vantrel-poll@.service"
    unit_dir=$units setup server tcp://192.0.2.7:4001 A >/dev/null
    for line in device server; do
        out=$(systemd-analyze security --offline=true --root="$root" \
            "vantrel-poll@$line.service" 2>&1) || fail "systemd-analyze security failed: $out"
        exposure=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p' <<<"$out")
        if [[ -z $exposure ]] || ! awk -v e="$exposure" 'BEGIN { exit !(e <= 2.0) }'; then
            fail "a line on a $line exposes '$exposure', more than 2.0:"$'\n'"$(grep '✗' <<<"$out")"
        fi
    done
}

case_"$1"
