#!/usr/bin/env bash
# The real program counts the loopback while its wall clock (moved for it
# alone by libfaketime, while timers stay true) crosses midnight and goes back,
# and while it is killed and started again: each date's count equals what the
# kernel counted in the phases of that date, and nothing is lost or doubled.
#   bash usage_clock.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

need_packages libfaketime python3
faketime_library=$(dpkg -L libfaketime 2>/dev/null | grep '/libfaketime\.so\.1$' | head -n 1)

# Datagrams between two sockets of the loopback, $1 bytes of payload in all.
send_traffic() {
    "$python" - "$1" <<'EOF'
import socket, sys
total = int(sys.argv[1])
receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
receiver.bind(("127.0.0.1", 0))
receiver.setblocking(False)
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
payload = bytes(1400)
for _ in range((total + len(payload) - 1) // len(payload)):
    sender.sendto(payload, receiver.getsockname())
    try:
        while True:
            receiver.recv(2048)
    except BlockingIOError:
        pass
EOF
}

kernel() { cat /sys/class/net/lo/statistics/rx_bytes; }
# A reading after a phase, the program's clock moved by then (libfaketime
# looks at its file once a second): waking from sleep, it reads at once.
settle() {
    sleep 1.5
    probe wake >/dev/null
}

# The program's clock: the local time 90 s before the next midnight, then moved.
offset=$(($(date -d 'tomorrow 00:00' +%s) - $(date +%s) - 90))
set_offset() { echo "+${1}s" >"$work/faketime"; }
set_offset "$offset"
before=$(date -d "@$(($(date +%s) + offset))" +%F)
after=$(date -d "@$(($(date +%s) + offset + 120))" +%F)
export LD_PRELOAD=$faketime_library FAKETIME_TIMESTAMP_FILE=$work/faketime FAKETIME_CACHE_DURATION=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1
run_limit=300

mkdir -p "$work/mivrel"
printf 'app.starts\t1\ndevice.in\tlo\ndevice.out\tlo\n' >"$work/mivrel/settings.cfg"
# The loopback's counter as a reading of the program saw it: its base in usage.cfg.
base() {
    "$python" - "$work/mivrel/usage.cfg" lo <<'EOF'
import sys
pairs = dict(l.rstrip("\n").split("\t", 1) for l in open(sys.argv[1]) if "\t" in l)
ours = [k.split(".")[1] for k, v in pairs.items() if k.startswith("adapter.") and k.endswith(".name") and v == sys.argv[2]]
print(next(pairs[f"adapter.{n}.last"].split(",")[0] for n in ours if f"adapter.{n}.last" in pairs))
EOF
}

k0=$(kernel)
start_program "$work"
check "the window appears" probe wait 30000
settle
# The first reading's base is written at the start, by the saving thread.
for _ in $(seq 100); do [ -s "$work/mivrel/usage.cfg" ] && break; sleep 0.1; done
first=$(base)
send_traffic 2000000
# Around each move the loopback's own chatter may fall to either date: the
# bytes of those quiet windows are allowed to shift.
quiet=$(kernel)
settle
k1=$(kernel)
set_offset $((offset + 120))  # past midnight
settle
shifting=$(($(kernel) - quiet))
send_traffic 3000000
quiet=$(kernel)
settle
k2=$(kernel)
set_offset $((offset - 180))  # back before it
settle
shifting=$((shifting + $(kernel) - quiet))
send_traffic 1000000
settle
send_traffic 500000  # seen by no reading before the kill
check "the program is killed" probe kill
wait_for_exit 30 >/dev/null
k3=$(kernel)
program_pid=

start_program "$work"
check "the window appears again" probe wait 30000
settle
send_traffic 1000000
settle
probe close >/dev/null
exit_code=$(wait_for_exit 30)
check "the second run ends with exit code 0 (got $exit_code)" test "$exit_code" = 0
k4=$(kernel)
last=$(base)
program_pid=
unset LD_PRELOAD
check "the first and last readings saw the kernel's counter ($k0 <= $first <= $last <= $k4)" \
    test "$k0" -le "$first" -a "$first" -le "$last" -a "$last" -le "$k4"

# The loopback's count of a date: usage.cfg's stands over the history's.
counted() {
    "$python" - "$work/mivrel" lo "$1" <<'EOF'
import csv, os, sys
folder, name, date = sys.argv[1:]
history = os.path.join(folder, "usage-history.csv")
count = 0
if os.path.exists(history):
    for row in list(csv.reader(open(history, encoding="utf-8-sig")))[1:]:
        if row[0] == date and row[1] == name:
            count = int(row[3])
pairs = [l.rstrip("\n").split("\t", 1) for l in open(os.path.join(folder, "usage.cfg")) if "\t" in l]
ours = {k.split(".")[1] for k, v in pairs if k.startswith("adapter.") and k.endswith(".name") and v == name}
for key, value in pairs:
    parts = key.split(".")
    if len(parts) == 3 and parts[1] in ours and parts[2] == date:
        count = int(value.split(",")[0])
print(count)
EOF
}

# Within 1 %, 64 KB and the bytes of the quiet windows around the moves.
near() {
    [[ "$1" =~ ^[0-9]+$ ]] || return 1
    local difference=$(($1 - $2))
    [ "${difference#-}" -le $(($2 / 100 + 65536 + $3)) ]
}
expected_before=$(((k1 - first) + (k3 - k2) + (last - k3)))
expected_after=$((k2 - k1))
got_before=$(counted "$before")
got_after=$(counted "$after")
echo "kernel: $expected_before on $before, $expected_after on $after; counted: $got_before, $got_after;" \
    "$shifting bytes in the windows around the moves"
check "$before counts its own phases, the killed run's last bytes too (got $got_before of $expected_before)" \
    near "$got_before" "$expected_before" "$shifting"
check "$after counts the phase past midnight (got $got_after of $expected_after)" \
    near "$got_after" "$expected_after" "$shifting"
check "both dates together count what the kernel counted from the first reading to the last" \
    test $((got_before + got_after)) = $((last - first))
finish
