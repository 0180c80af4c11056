#!/usr/bin/env bash
# The whole program's cost at the defaults: mivrel.exe run under Wine for a
# while (window 200 x 80, a tick a second, the adapter of the default route
# graphed both ways), and the CPU time that its process and the prefix's
# Wine processes (the server, the driver host that answers the interface
# table, the desktop) used meanwhile. Two programs given are run in turns, so
# that both see the same machine.
#   MIVREL_WINEPREFIX=... DISPLAY=... bench/program_cpu.sh SECONDS ROUNDS EXE [EXE]
set -uo pipefail
seconds=${1:?seconds} rounds=${2:?rounds}
shift 2
export WINEPREFIX=${MIVREL_WINEPREFIX:?a prepared prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
adapter=$(ip route show default 2>/dev/null | awk '{print $5; exit}')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The end-to-end tests' probe starts a program with another "AppData".
probe=$(cd "$(dirname "$0")/.." && pwd)/build/windows/tests/probe.exe
windows_path() { echo "Z:$(tr / '\\' <<<"$1")"; }

# "pid nanoseconds" for every process of the prefix: the scheduler's own
# account of its time on a CPU, finer than the clock ticks of user and system time.
prefix_cpu() {
    local pid run
    for pid in /proc/[0-9]*; do
        { tr '\0' '\n' <"$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
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

run_once() {
    local exe=$1 appdata=$work/appdata
    rm -rf "$appdata"
    mkdir -p "$appdata/mivrel"
    printf 'app.starts\t1\ndevice.in\t%s\ndevice.out\t%s\n' "$adapter" "$adapter" >"$appdata/mivrel/settings.cfg"
    timeout $((seconds + 60)) "$wine" "$probe" run "$(windows_path "$appdata")" "$(windows_path "$exe")" \
        </dev/null >/dev/null 2>&1 &
    local pid=$!
    sleep 8
    prefix_cpu >"$work/before"
    sleep "$seconds"
    prefix_cpu >"$work/after"
    "$wine" taskkill /im "$(basename "$exe")" >/dev/null 2>&1
    wait "$pid"
    awk -v t="$(cpu_between "$work/before" "$work/after")" -v s="$seconds" \
        'BEGIN { printf "%.3f ms of CPU a second", t / 1e6 / s }'
}

for round in $(seq "$rounds"); do
    for exe in "$@"; do
        echo "round $round  $exe: $(run_once "$exe")"
    done
done
