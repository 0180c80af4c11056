#!/usr/bin/env bash
# An adapter made, removed and made again while the real program runs: a
# veth pair that carries raw Ethernet frames only (no addresses, no IPv6),
# whose receiving end the program must count, whatever the graph shows,
# within 0.1 % of what the kernel counted for both of its lives.
#   bash adapter_usage.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both), and root
# for the pair: without it the checks fail, they are not skipped.
set -uo pipefail
. "$(dirname "$0")/lib.bash"

need_packages iproute2 python3

# Names of this run, so that runs side by side do not meet (at most 15 characters).
receiver=mvu$$a
sender=mvu$$b
e2e_cleanup() { ip link del "$receiver" 2>/dev/null; }

# Frames to the broadcast address with the local experimental EtherType,
# 1514 bytes each, until at least $2 bytes have gone out on $1.
send_frames() {
    "$python" - "$1" "$2" <<'EOF'
import socket, sys
link, total = sys.argv[1], int(sys.argv[2])
frame = b"\xff" * 6 + b"\x02\x00\x00\x00\x00\x01" + b"\x88\xb5" + bytes(1500)
with socket.socket(socket.AF_PACKET, socket.SOCK_RAW) as s:
    s.bind((link, 0))
    for _ in range((total + len(frame) - 1) // len(frame)):
        s.send(frame)
EOF
}

make_pair() {
    ip link add "$receiver" type veth peer name "$sender" || return 1
    # No link-local addresses, so no traffic but the frames sent here.
    local link
    for link in "$receiver" "$sender"; do
        echo 1 >"/proc/sys/net/ipv6/conf/$link/disable_ipv6" 2>/dev/null
        ip link set "$link" up || return 1
    done
}

kernel_count() { cat "/sys/class/net/$receiver/statistics/$1"; }

mkdir -p "$work/mivrel"
printf 'app.starts\t1\ndevice.in\tlo\ndevice.out\tlo\n' >"$work/mivrel/settings.cfg"
start_program "$work"
check "the window appears" probe wait 30000

# Each life: made after the program's first reading, 3 MB and then 2 MB of
# frames, the kernel's counts read, a reading of the program's (waking from
# sleep, it reads at once), then the pair removed. Wine keeps the first
# pair's identity for the second, its counters back to 0 on a link of unknown
# speed: a step back no program can tell from a glitch. So the program reads
# the new pair before its frames go.
kernel_received=0
kernel_sent=0
lives=0
for megabytes in 3 2; do
    make_pair || break
    [ "$lives" = 0 ] || check "the program reads the pair made again" probe wake
    send_frames "$sender" $((megabytes * 1000000)) || break
    kernel_received=$((kernel_received + $(kernel_count rx_bytes)))
    kernel_sent=$((kernel_sent + $(kernel_count tx_bytes)))
    probe wake || break
    lives=$((lives + 1))
    ip link del "$receiver" || break
done
check "the pair was made, used and removed twice as root (got $lives)" test "$lives" = 2

check "the close message is delivered" probe close
exit_code=$(wait_for_exit 30)
check "the program ends with exit code 0 (got $exit_code)" test "$exit_code" = 0
program_pid=

# The receiver's counts of every date, from usage-history.csv and usage.cfg,
# whose counts stand over the history's (never below them).
counted=$("$python" - "$work/mivrel" "$receiver" <<'EOF'
import csv, os, sys
folder, name = sys.argv[1], sys.argv[2]
pairs = [l.rstrip("\n").split("\t", 1) for l in open(os.path.join(folder, "usage.cfg")) if "\t" in l]
ours = {k.split(".")[1] for k, v in pairs if k.startswith("adapter.") and k.endswith(".name") and v == name}
rows = [(k.split(".")[2], *v.split(",")) for k, v in pairs
        if k.count(".") == 2 and k.split(".")[1] in ours and k.split(".")[2][:2] == "20"]
history = os.path.join(folder, "usage-history.csv")
if os.path.exists(history):
    rows += [(r[0], r[3], r[4]) for r in list(csv.reader(open(history, encoding="utf-8-sig")))[1:] if r[1] == name]
dates = {}
for date, received, sent in rows:
    old = dates.get(date, (0, 0))
    dates[date] = (max(old[0], int(received)), max(old[1], int(sent)))
print(sum(r for r, s in dates.values()), sum(s for r, s in dates.values()))
EOF
)
read -r counted_received counted_sent <<<"${counted:-x x}"
echo "kernel: $kernel_received received, $kernel_sent sent; counted: $counted_received received, $counted_sent sent"
within() {
    [[ "$1" =~ ^[0-9]+$ ]] || return 1
    local difference=$(($1 - $2))
    [ "${difference#-}" -le $(($2 / 1000)) ]
}
check "received bytes counted within 0.1 % of the kernel's $kernel_received (got $counted_received)" \
    within "$counted_received" "$kernel_received"
check "5 MB went through the pair" test "$kernel_received" -ge 5000000
check "sent bytes counted within 0.1 % of the kernel's $kernel_sent (got $counted_sent)" \
    within "$counted_sent" "$kernel_sent"
finish
