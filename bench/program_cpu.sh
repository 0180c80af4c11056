#!/usr/bin/env bash
# The whole program's cost: mivrel.exe run under Wine for a while (window 200
# x 80, the adapter of the default route graphed both ways, the settings'
# defaults otherwise), and the CPU time that its process and the prefix's Wine
# processes (the server, the driver host that answers the interface table,
# the desktop that draws the notification area) used meanwhile. The runs
# given are made in turns, round after round, so that all see the same machine.
#   MIVREL_WINEPREFIX=... DISPLAY=... bench/program_cpu.sh [options] SECONDS ROUNDS RUN [RUN...]
# A RUN is a program, optionally followed by settings lines for it alone:
# "mivrel.exe", "mivrel.exe:app.tray_icon=graph". At the end, each run's
# median and its ratios to the first and the second runs', and its ratio to
# the second run's in each round.
#   --set KEY=VALUE   a settings line for every run (graph.delay=10: a 10 ms tick)
#   --traffic         bursts of data over the loopback throughout (python3),
#                     graphed on "lo" instead of the default route's adapter
#   --xvfb            count the X server that serves DISPLAY too
set -uo pipefail
common=() traffic=0 xvfb=0
while [ $# -gt 0 ]; do
    case $1 in
        --set) common+=("$2"); shift ;;
        --traffic) traffic=1 ;;
        --xvfb) xvfb=1 ;;
        *) break ;;
    esac
    shift
done
seconds=${1:?seconds} rounds=${2:?rounds}
shift 2
export WINEPREFIX=${MIVREL_WINEPREFIX:?a prepared prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
adapter=$(ip route show default 2>/dev/null | awk '{print $5; exit}')
[ "$traffic" -eq 1 ] && adapter=lo
work=$(mktemp -d)
traffic_pid=
trap '[ -n "$traffic_pid" ] && kill "$traffic_pid" 2>/dev/null; rm -rf "$work"' EXIT
# The end-to-end tests' probe starts a program with another "AppData".
probe=$(cd "$(dirname "$0")/.." && pwd)/build/windows/tests/probe.exe
windows_path() { echo "Z:$(tr / '\\' <<<"$1")"; }
xvfb_pid=
if [ "$xvfb" -eq 1 ]; then
    display=${DISPLAY#:}
    xvfb_pid=$(pgrep -f "^Xvfb :${display%%.*}( |$)" | head -1)
    [ -n "$xvfb_pid" ] || { echo "no Xvfb serves $DISPLAY" >&2; exit 1; }
fi

if [ "$traffic" -eq 1 ]; then
    # Bursts of varying size over the loopback, four times a second.
    python3 - <<'PY' &
import math, socket, threading, time
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1)
def drain():
    connection, _ = server.accept()
    while connection.recv(1 << 16):
        pass
threading.Thread(target=drain, daemon=True).start()
client = socket.create_connection(server.getsockname())
block = b"\0" * 4096
step = 0
while True:
    rate = int(200 + 180 * math.sin(step / 6.0) + 60 * math.sin(step / 1.7))
    client.sendall(block * max(rate, 1))
    step += 1
    time.sleep(0.25)
PY
    traffic_pid=$!
fi

# "pid nanoseconds" for every Wine process of the prefix (not this script's
# shells or the traffic's Python, which carry the prefix's name too), and the
# X server: the scheduler's own account of its time on a CPU, finer than the
# clock ticks of user and system time.
prefix_cpu() {
    local pid run
    for pid in /proc/[0-9]*; do
        if [ "${pid#/proc/}" != "$xvfb_pid" ]; then
            case $(readlink "$pid/exe" 2>/dev/null) in */wine*) ;; *) continue ;; esac
            { tr '\0' '\n' <"$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        fi
        { read -r run _ <"$pid/schedstat"; } 2>/dev/null || continue
        echo "${pid#/proc/} $run"
    done
}

# The time used between two accounts: what a process that ended took after
# the first is not known, so it counts nothing.
cpu_between() {
    awk 'NR == FNR { before[$1] = $2; next } $1 in before { used += $2 - before[$1]; next } { used += $2 }
         END { print used + 0 }' "$1" "$2"
}

# Prints the run's CPU in ms a second.
run_once() {
    local exe=${1%%:*} extra= appdata=$work/appdata line
    [ "$exe" != "$1" ] && extra=${1#*:}
    rm -rf "$appdata"
    mkdir -p "$appdata/mivrel"
    {
        printf 'app.starts\t1\ndevice.in\t%s\ndevice.out\t%s\n' "$adapter" "$adapter"
        for line in "${common[@]}" ${extra//,/ }; do printf '%s\t%s\n' "${line%%=*}" "${line#*=}"; done
    } >"$appdata/mivrel/settings.cfg"
    timeout $((seconds + 60)) "$wine" "$probe" run "$(windows_path "$appdata")" "$(windows_path "$exe")" \
        </dev/null >/dev/null 2>&1 &
    local pid=$!
    sleep 8
    prefix_cpu >"$work/before"
    sleep "$seconds"
    prefix_cpu >"$work/after"
    "$wine" taskkill /im "$(basename "$exe")" >/dev/null 2>&1
    wait "$pid"
    awk -v t="$(cpu_between "$work/before" "$work/after")" -v s="$seconds" 'BEGIN { printf "%.3f", t / 1e6 / s }'
}

results=$work/results
for round in $(seq "$rounds"); do
    for run in "$@"; do
        used=$(run_once "$run")
        echo "$round $run $used" >>"$results"
        echo "round $round  $run: $used ms of CPU a second"
    done
done
# Per run: each round's figure divided by the same round's first and second
# runs' (the floor and the reference, say), then the medians and their ratios.
echo
awk -v runs="$*" '
    BEGIN { n = split(runs, order, " "); ref = 1; if (n > 1) ref = 2 }
    { used[$2, $1] = $3; last = $1 }
    function median(values, count,    i, j, t) {
        for (i = 2; i <= count; ++i) for (j = i; j > 1 && values[j - 1] > values[j]; --j) {
            t = values[j]; values[j] = values[j - 1]; values[j - 1] = t
        }
        return count % 2 ? values[(count + 1) / 2] : (values[count / 2] + values[count / 2 + 1]) / 2
    }
    END {
        for (i = 1; i <= n; ++i) {
            for (r = 1; r <= last; ++r) v[r] = used[order[i], r]
            m[i] = median(v, last)
        }
        for (i = 1; i <= n; ++i) {
            line = ""
            for (r = 1; r <= last; ++r) line = line sprintf(" %.3f", used[order[i], r] / used[order[ref], r])
            printf "%s\n  median %.3f ms/s; to the first run %.3f; to the second %.3f; each round to the second:%s\n",
                order[i], m[i], m[i] / m[1], m[i] / m[ref], line
        }
    }' "$results"
