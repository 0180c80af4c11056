#!/usr/bin/env bash
# The household's router counted by the real program, against real router
# daemons: miniupnpd (UPnP) and snmpd (SNMP), each in network namespaces of
# this run (a PC's LAN, the router, the Internet), with the program under Wine
# on the LAN. Through a hard kill of the program, traffic while it is closed
# and a restart of the router (its WAN link made anew with the same MAC
# address), what the router's adapter counts equals the kernel's count of the
# router's WAN link between the first and the last reading, within 1 kB. A
# scripted device (router_device.py) shows what the daemons cannot: 32-bit
# totals that wrap, a total that steps back, a fault, no counters, another
# router at the same address, a silent router, answers that point elsewhere.
# They run side by side, each with its own Wine prefix and namespaces, with a
# fourth that has no router, for the program's CPU time without one.
#   bash router.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both) and root.
# Nothing is sent from the host's own namespace: each Wine server is started
# in its LAN namespace, and checked there, before the program runs.
set -uo pipefail
. "$(dirname "$0")/lib.bash"

need_packages iproute2 python3

# Without namespaces nothing here can run, and nothing is claimed either way.
skip() {
    echo "skipped: $*" | tee -a "$result_file"
    finish
}
run_id=mvr$$
ip netns add "$run_id-try" 2>/dev/null || skip "this machine cannot make network namespaces (root is needed)"
ip netns del "$run_id-try"

# The daemons' packages; installing snmpd must start no daemon on the host.
install_daemons() {
    local placed= result
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d && chmod 755 /usr/sbin/policy-rc.d && placed=1
    fi
    ensure_packages miniupnpd-nftables snmpd
    result=$?
    [ -n "$placed" ] && rm -f /usr/sbin/policy-rc.d
    return $result
}
install_daemons || {
    check "miniupnpd-nftables and snmpd are installed" false
    finish
}

ready_prefix=$MIVREL_WINEPREFIX
lanes=(upnp snmp device idle)
wan_mac=02:00:00:77:00:01
agent_lag=6

# A namespace's last processes (Wine's services outlive their wineserver's
# -k, a daemon may linger) go with it: deleting the name alone would leave
# the namespace alive under them.
remove_namespace() {
    local ns=$1 pids
    for _ in $(seq 20); do
        pids=$(ip netns pids "$ns" 2>/dev/null) || break
        [ -n "$pids" ] || break
        kill -9 $pids 2>/dev/null
        sleep 0.1
    done
    ip netns del "$ns" 2>/dev/null
}

# Every lane's processes and namespaces go, on failure too.
e2e_cleanup() {
    local lane dir pid ns
    kill $(jobs -p) 2>/dev/null
    for lane in "${lanes[@]}"; do
        dir=$work/$lane
        [ -d "$dir" ] || continue
        for pid in $(cat "$dir"/*.pid 2>/dev/null); do kill "$pid" 2>/dev/null; done
        [ -d "$dir/prefix" ] && WINEPREFIX=$dir/prefix wineserver -k >/dev/null 2>&1
        for pid in $(cat "$dir"/*.pid 2>/dev/null); do
            for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null
        done
        for ns in lan rtr isp; do remove_namespace "$run_id-$lane-$ns"; done
    done
    return 0
}

# ---- One lane: its namespaces, its Wine, its program. Run in a subshell of
# its own, it tells its checks through files that the end reads.

lane_check() {
    local name=$1
    shift
    local outcome=ok
    "$@" || outcome="not ok"
    echo "$outcome|$lane: $name" >>"$dir/checks"
    [ "$outcome" = ok ]
}
report() { echo "$lane: $*" | tee -a "$dir/report"; }

rns() { ip netns exec "$rtr" "$@"; }

make_wan() {
    ip link add rtr-wan netns "$rtr" address "$wan_mac" type veth peer name isp-wan netns "$isp" &&
        ip -n "$rtr" addr add 198.51.100.2/24 dev rtr-wan &&
        ip -n "$isp" addr add 198.51.100.1/24 dev isp-wan &&
        ip -n "$rtr" link set rtr-wan up && ip -n "$isp" link set isp-wan up &&
        ip -n "$isp" route add 10.77.1.0/24 via 198.51.100.2
}

# The LAN, the router and the Internet; IPv6 off, so that only what is sent
# here crosses the links.
make_links() {
    local n
    for n in "$lan" "$rtr" "$isp"; do
        ip netns add "$n" &&
            ip netns exec "$n" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1 &&
            ip -n "$n" link set lo up || return 1
    done
    ip link add lan-pc netns "$lan" type veth peer name rtr-lan netns "$rtr" &&
        ip -n "$lan" addr add 10.77.1.2/24 dev lan-pc &&
        ip -n "$rtr" addr add 10.77.1.1/24 dev rtr-lan &&
        ip -n "$rtr" addr add 10.77.1.3/24 dev rtr-lan &&
        ip -n "$lan" link set lan-pc up && ip -n "$rtr" link set rtr-lan up &&
        ip -n "$lan" route add default via 10.77.1.1 &&
        rns sysctl -qw net.ipv4.ip_forward=1 && make_wan
}

# A copy of the suite's ready prefix: the system's binaries linked, not
# copied (Wine only reads them), everything else copied.
copy_prefix() {
    cp -al "$ready_prefix" "$prefix" || return 1
    find "$prefix" -type f ! \( \( -path '*/system32/*' -o -path '*/winsxs/*' \) \
        -iregex '.*\.\(dll\|exe\|drv\|sys\|ocx\|acm\|cpl\|tlb\|nls\|ttf\|fon\|mui\|manifest\)' \) -print0 |
        while IFS= read -r -d '' file; do cp -p "$file" "$file.copy" && mv "$file.copy" "$file"; done
}

# The prefix's Wine server, started in the LAN namespace before any program
# of it: Wine's sockets are its server's. False unless it runs there.
start_wineserver() {
    copy_prefix || return 1
    ip netns exec "$lan" env WINEPREFIX="$prefix" wineserver -f -p </dev/null >/dev/null 2>&1 &
    local pid=$!
    echo "$pid" >"$dir/wineserver.pid"
    # Ready when its socket is made, in the folder it works in.
    for _ in $(seq 100); do
        [[ "$(readlink "/proc/$pid/exe")" == */wineserver64 ]] && [ -S "/proc/$pid/cwd/socket" ] && break
        sleep 0.1
    done
    local server_ns lan_ns
    server_ns=$(readlink "/proc/$pid/ns/net")
    lan_ns=$(ip netns exec "$lan" readlink /proc/self/ns/net)
    [[ "$(readlink "/proc/$pid/exe")" == */wineserver64 ]] && [ -n "$server_ns" ] && [ "$server_ns" = "$lan_ns" ] &&
        [ "$server_ns" != "$(readlink /proc/self/ns/net)" ]
}

lane_wine() { timeout 60 ip netns exec "$lan" env WINEPREFIX="$prefix" "$wine" "$@" </dev/null 2>/dev/null; }
lane_probe() { lane_wine "$probe_program" "$@" | tr -d '\r'; }

# The program with its folder $dir/app; false when its window did not come.
lane_start() {
    rm -f "$dir/exit-code"
    (
        timeout 120 ip netns exec "$lan" env WINEPREFIX="$prefix" "$wine" "$probe_program" run \
            "$(windows_path "$dir/app")" "$(windows_path "$program")" </dev/null >/dev/null 2>&1
        echo $? >"$dir/exit-code"
    ) &
    lane_probe wait 30000
}
lane_exit() {
    for _ in $(seq 200); do
        [ -s "$dir/exit-code" ] && break
        sleep 0.1
    done
    cat "$dir/exit-code" 2>/dev/null || echo "still running"
}
lane_close() {
    lane_probe close
    lane_exit
}

# The Linux process of the program.
program_process() {
    local p
    for p in /proc/[0-9]*; do
        tr '\0' '\n' <"$p/cmdline" 2>/dev/null | head -n 1 | grep -q 'mivrel\.exe$' &&
            tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && { echo "${p#/proc/}"; return; }
    done
}
# The CPU time in microseconds that the program's threads and its Wine server's have run.
cpu_us() {
    cat "/proc/$1"/task/*/schedstat "/proc/$(cat "$dir/wineserver.pid")"/task/*/schedstat 2>/dev/null |
        awk '{ ns += $1 } END { printf "%d\n", ns / 1000 }'
}

# Requests to the router itself, in its namespace: a UPnP poll's TCP
# connections accepted, an SNMP poll's datagrams received. A search's
# datagrams read no counter, and the traffic pushed through the router is
# forwarded, never counted here.
requests() {
    rns awk -v lane="$lane" '$1 == "Tcp:" && $7 ~ /^[0-9]+$/ { t = $7 }
             $1 == "Udp:" && $2 ~ /^[0-9]+$/ { u = $2 } END { print lane == "snmp" ? u : t }' /proc/net/snmp
}

now_ms() { date +%s%3N; }

# Waits (at most 10 s) until no request has come for a second, and prints
# the count of requests then.
wait_quiet() {
    local last now quiet=0
    last=$(requests)
    for _ in $(seq 100); do
        sleep 0.1
        now=$(requests)
        if [ "$now" = "$last" ]; then quiet=$((quiet + 1)); else quiet=0; last=$now; fi
        [ "$quiet" -ge 10 ] && break
    done
    echo "$last"
}

# Waits (at most $1 seconds) for the program's next poll of the router, or
# its first after the count of requests $2: its requests began (at
# $poll_began, in ms) and then stopped for a second.
wait_poll() {
    local before=${2:-$(requests)} now
    for _ in $(seq $(($1 * 10))); do
        now=$(requests)
        [ "$now" != "$before" ] && break
        sleep 0.1
    done
    [ "$now" != "$before" ] || return 1
    poll_began=$(now_ms)
    wait_quiet >/dev/null
}

wan_bytes() { rns cat /sys/class/net/rtr-wan/statistics/rx_bytes /sys/class/net/rtr-wan/statistics/tx_bytes | tr '\n' ' '; }

# $1 bytes from the Internet to the PC and $2 back, over one TCP connection
# through the router; bounded in time.
push() {
    ip netns exec "$lan" timeout 15 "$python" - "$2" <<'EOF' &
import socket, sys
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("10.77.1.2", 9000))
server.listen(1)
server.settimeout(10)
connection, _ = server.accept()
while connection.recv(65536):
    pass
connection.sendall(bytes(int(sys.argv[1])))
connection.close()
EOF
    local receiver=$!
    ip netns exec "$isp" timeout 15 "$python" - "$1" <<'EOF'
import socket, sys, time
for _ in range(50):
    try:
        s = socket.create_connection(("10.77.1.2", 9000), timeout=10)
        break
    except OSError:
        time.sleep(0.05)
chunk, left = bytes(65536), int(sys.argv[1])
while left > 0:
    left -= s.send(chunk[:left])
s.shutdown(socket.SHUT_WR)
while s.recv(65536):
    pass
EOF
    local sent=$?
    wait "$receiver" && [ "$sent" = 0 ]
}

# The counts (received, sent) of the adapter named $1, of every date, from
# usage.cfg and usage-history.csv (usage.cfg's stand over the history's), and
# whether any of its rows or lines says it is hardware.
counted() {
    "$python" - "$dir/app/mivrel" "$1" <<'EOF'
import csv, os, sys
folder, name = sys.argv[1], sys.argv[2]
pairs = [l.rstrip("\n").split("\t", 1) for l in open(os.path.join(folder, "usage.cfg")) if "\t" in l]
ours = {k.split(".")[1] for k, v in pairs if k.startswith("adapter.") and k.endswith(".name") and v == name}
hardware = any(k.split(".")[1] in ours and k.endswith(".hardware") and v != "0" for k, v in pairs)
rows = [(k.split(".")[2], *v.split(",")[:2]) for k, v in pairs
        if k.count(".") == 2 and k.split(".")[1] in ours and k.split(".")[2][:2] == "20"]
history = os.path.join(folder, "usage-history.csv")
if os.path.exists(history):
    for r in list(csv.reader(open(history, encoding="utf-8-sig")))[1:]:
        if r[1] == name:
            rows.append((r[0], r[3], r[4]))
            hardware = hardware or r[2] != "0"
dates = {}
for date, received, sent in rows:
    old = dates.get(date, (0, 0))
    dates[date] = (max(old[0], int(received)), max(old[1], int(sent)))
print(sum(r for r, s in dates.values()), sum(s for r, s in dates.values()), "hardware" if hardware else "none",
      len(ours))
EOF
}

setting() { sed -n "s/^$1\t//p" "$dir/app/mivrel/settings.cfg" 2>/dev/null; }
within_kb() {
    [[ "$1" =~ ^[0-9]+$ ]] || return 1
    local difference=$(($1 - $2))
    [ "${difference#-}" -le 1024 ]
}

lane_setup() {
    dir=$work/$lane
    lan=$run_id-$lane-lan rtr=$run_id-$lane-rtr isp=$run_id-$lane-isp prefix=$dir/prefix
    mkdir -p "$dir/app/mivrel"
    : >"$dir/checks"
    lane_check "its namespaces and links are made" make_links || return 1
    lane_check "its Wine server runs in its LAN namespace, not the host's" start_wineserver
}

# ---- The real daemons

start_daemon() {
    if [ "$lane" = upnp ]; then
        cat >"$dir/miniupnpd.conf" <<EOF
ext_ifname=rtr-wan
listening_ip=rtr-lan
http_port=5000
enable_natpmp=no
enable_upnp=yes
secure_mode=yes
system_uptime=no
uuid=3d3cec3a-8cf0-11e0-98ee-001a6b5c0001
friendly_name=test router
deny 0-65535 0.0.0.0/0 0-65535
EOF
        ip netns exec "$rtr" miniupnpd -f "$dir/miniupnpd.conf" -P "$dir/miniupnpd.pidfile" -d </dev/null >/dev/null 2>&1 &
    else
        mkdir -p "$dir/snmp"
        printf 'agentAddress udp:10.77.1.1:161\nrocommunity public 10.77.1.0/24\n' >"$dir/snmpd.conf"
        ip netns exec "$rtr" env SNMP_PERSISTENT_DIR="$dir/snmp" snmpd -f -C -c "$dir/snmpd.conf" -Lf "$dir/snmpd.log" \
            </dev/null >/dev/null 2>&1 &
    fi
    # Started directly, so that its process is this one.
    echo $! >"$dir/daemon.pid"
    # Ready when its port is open in the router's namespace.
    local port=5000 kind=t
    [ "$lane" = snmp ] && port=161 kind=u
    for _ in $(seq 50); do
        rns ss -Hln"$kind" "sport = :$port" | grep -q . && return 0
        sleep 0.1
    done
    return 1
}

stop_daemon() {
    local pid
    pid=$(cat "$dir/daemon.pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
}

# A reboot: the daemon stopped, the WAN link made anew (its counters from 0,
# its MAC address the same), the daemon started again.
restart_router() {
    stop_daemon && ip -n "$rtr" link del rtr-wan && make_wan && start_daemon
}

daemon_lane() {
    lane=$1
    lane_setup || return
    lane_check "the daemon answers in the router's namespace" start_daemon || return
    if [ "$lane" = upnp ]; then
        printf 'app.starts\t1\nrouter.source\tupnp\nrouter.location\thttp://10.77.1.1:5000/rootDesc.xml\n' \
            >"$dir/app/mivrel/settings.cfg"
    else
        local index
        index=$(ip -n "$rtr" -o link show rtr-wan | cut -d: -f1)
        printf 'app.starts\t1\nrouter.source\tsnmp\nrouter.snmp_host\t10.77.1.1\nrouter.snmp_interface\t%s\n' \
            "$index" >"$dir/app/mivrel/settings.cfg"
    fi
    local first k_restart k_last a b c cpu_before cpu_after span_start process

    local mark
    mark=$(requests)
    lane_check "the program starts" lane_start || return
    lane_check "it reads the router at its start" wait_poll 15 "$mark"
    first=($(wan_bytes))
    for _ in $(seq 50); do grep -q '^router\.last' "$dir/app/mivrel/usage.cfg" 2>/dev/null && break; sleep 0.1; done
    lane_check "the first reading's base is kept at once" grep -q '^router\.last' "$dir/app/mivrel/usage.cfg"
    a=($(wan_bytes))
    push 3000000 300000
    a=($(($(wan_bytes | cut -d' ' -f1) - a[0])))
    lane_check "the program is killed" lane_probe kill
    lane_exit >/dev/null
    b=($(wan_bytes))
    push 2000000 200000
    b=($(($(wan_bytes | cut -d' ' -f1) - b[0])))
    # snmpd answers from its own copy of the interface counters, some seconds
    # old: the links stay quiet that long before a reading that is compared.
    [ "$lane" = snmp ] && sleep "$agent_lag"
    # The restart below is quicker than a real one and may come within a
    # second of the reading before it: then only an uptime grown less than
    # the time since tells it, and at that reading the router's uptime must
    # be some seconds.
    local daemon_ran
    for _ in $(seq 50); do
        daemon_ran=$(ps -o etimes= -p "$(cat "$dir/daemon.pid")")
        [ "${daemon_ran:-0}" -ge 5 ] && break
        sleep 0.2
    done

    mark=$(requests)
    lane_check "the program starts again" lane_start || return
    lane_check "it reads the router at its start again" wait_poll 15 "$mark"
    span_start=$SECONDS
    process=$(program_process)
    cpu_before=$(cpu_us "$process")
    k_restart=($(wan_bytes))
    lane_check "the router restarts with its WAN link made anew" restart_router
    push 1000000 100000
    c=($(wan_bytes))
    local quiet_since
    quiet_since=$(now_ms)
    # A poll under way as the traffic ended may have read the counters before
    # its end: the reading compared is one that began after a quiet second.
    mark=$(wait_quiet)
    lane_check "it reads the router after its restart" wait_poll 15 "$mark"
    if [ "$lane" = snmp ] && [ $((poll_began - quiet_since)) -lt $((agent_lag * 1000)) ]; then
        lane_check "it reads the router once more" wait_poll 15
    fi
    cpu_after=$(cpu_us "$process")
    k_last=($(wan_bytes))
    report "CPU of the program and its Wine server, polling: $(((cpu_after - cpu_before) / 1000)) ms in $((SECONDS - span_start)) s"
    local exit_code
    exit_code=$(lane_close)
    lane_check "the program ends with exit code 0 (got $exit_code)" test "$exit_code" = 0

    local expected_received=$((k_restart[0] - first[0] + k_last[0])) expected_sent=$((k_restart[1] - first[1] + k_last[1]))
    local name identity got
    name=$(setting router.name)
    identity=$(setting router.identity)
    if [ "$lane" = upnp ]; then
        lane_check "settings keep the first answer's identity and name ($identity, $name)" \
            test "$identity" = "uuid:3d3cec3a-8cf0-11e0-98ee-001a6b5c0002 urn:upnp-org:serviceId:WANCommonIFC1" \
            -a "$name" = "Router: test router"
    else
        lane_check "settings keep the first answer's identity and name ($identity, $name)" \
            test "$identity" = "10.77.1.1 $wan_mac" -a "$name" = "Router: 10.77.1.1 rtr-wan"
        lane_check "settings follow the WAN interface to its new index" \
            test "$(setting router.snmp_interface)" = "$(ip -n "$rtr" -o link show rtr-wan | cut -d: -f1)"
    fi
    got=($(counted "$name"))
    report "kernel's rtr-wan bytes received: ${a[0]} while running before the kill, ${b[0]} while closed," \
        "$((k_last[0])) after the restart ($((c[0])) when its traffic ended)"
    report "received: router counted ${got[0]:-none}, kernel $expected_received; sent: router counted ${got[1]:-none}," \
        "kernel $expected_sent"
    lane_check "received bytes counted within 1 kB of the kernel's $expected_received (got ${got[0]:-none})" \
        within_kb "${got[0]:-x}" "$expected_received"
    lane_check "sent bytes counted within 1 kB of the kernel's $expected_sent (got ${got[1]:-none})" \
        within_kb "${got[1]:-x}" "$expected_sent"
    lane_check "its traffic crossed the router" test "$expected_received" -ge 6000000
    lane_check "the router is one adapter, not hardware (got ${got[2]:-none}, ${got[3]:-0} adapters)" \
        test "${got[2]:-}" = none -a "${got[3]:-}" = 1
}

# ---- The scripted device

device_lane() {
    lane=device
    lane_setup || return
    echo base >"$dir/state"
    : >"$dir/device.log"
    ip netns exec "$rtr" timeout 60 "$python" "$(dirname "$0")/router_device.py" "$dir/state" "$dir/device.log" 55 \
        </dev/null >/dev/null 2>"$dir/device.err" &
    echo $! >"$dir/device.pid"
    for _ in $(seq 50); do grep -q ready "$dir/device.log" && break; sleep 0.1; done
    lane_check "the scripted device answers" grep -q ready "$dir/device.log" || return
    printf 'app.starts\t1\nrouter.source\tupnp\nrouter.location\thttp://10.77.1.1:5000/rootDesc.xml\n' \
        >"$dir/app/mivrel/settings.cfg"

    # Each state is shown to one start of the program, whose first poll is at
    # once; it is closed when the device has served what the state is about.
    local exits=() logged
    shown() {
        echo "$1" >"$dir/state"
        lane_start || return 1
        for _ in $(seq 150); do
            logged=$(grep -c "$2" "$dir/device.log")
            [ "$logged" -ge "$3" ] && break
            sleep 0.1
        done
        [ "$logged" -ge "$3" ]
    }
    lane_check "32-bit totals just below the wrap are read" shown base "GetStatusInfo base" 1
    exits+=("$(lane_close)")
    lane_check "they are read again past the wrap" shown wrapped "GetStatusInfo wrapped" 1
    # The next poll, 10 s on, checks no identity: totals grown past what the
    # link carries are held until it is checked, and another router answers.
    echo jump >"$dir/state"
    for _ in $(seq 150); do grep -q "other router" "$dir/device.log" && break; sleep 0.1; done
    lane_check "a reading grown past the link's speed is checked again, another router answering" \
        grep -q "other router" "$dir/device.log"
    exits+=("$(lane_close)")
    lane_check "they are read again a little lower" shown back "GetStatusInfo back" 1
    exits+=("$(lane_close)")
    lane_check "a SOAP fault is answered" shown fault "GetTotalBytesReceived fault" 1
    exits+=("$(lane_close)")
    lane_check "a description without counters is read" shown nocounters "description without counters" 1
    exits+=("$(lane_close)")
    # A router that takes the request and never answers: the window answers
    # meanwhile, and the search for it by its UDN finds an answer that names
    # another host.
    echo hang >"$dir/state"
    lane_check "the program starts while the router never answers" lane_start
    local longest
    longest=$(lane_probe answers 6500 | sed -n 's/^longest //p')
    report "the window's longest answer time while a poll waited on a silent router: ${longest:-none} ms"
    lane_check "the window answered throughout" test -n "$longest"
    lane_check "the silent router is searched for by its UDN" grep -q "search answered" "$dir/device.log"
    local closing=$SECONDS
    exits+=("$(lane_close)")
    report "closed in $((SECONDS - closing)) s while a poll was waiting"

    lane_check "the counts are read once more" shown final "GetStatusInfo final" 1
    exits+=("$(lane_close)")
    lane_check "every run ended with exit code 0 (got ${exits[*]})" test "${exits[*]}" = "0 0 0 0 0 0 0"

    local name got other
    name=$(setting router.name)
    lane_check "settings keep the first answer's identity and name ($(setting router.identity), $name)" \
        test "$(setting router.identity)" = "uuid:5c0ffee0-0000-4000-8000-000000000001-wan urn:upnp-org:serviceId:WANCommonIFC1" \
        -a "$name" = "Router: scripted router"
    got=($(counted "$name"))
    other=($(counted "Router: other router"))
    report "counted: ${got[0]:-none} received, ${got[1]:-none} sent (10000 and 2000 across the wrap, 5000 and 500 at last)"
    lane_check "across the wrap, after the step back and the failures: 15000 received, 2500 sent (got ${got[0]:-none}, ${got[1]:-none})" \
        test "${got[0]:-}" = 15000 -a "${got[1]:-}" = 2500
    lane_check "the other router's counts went nowhere" test "${other[3]:-}" = 0 -a "${other[0]:-}" = 0
    lane_check "no request went to a host other than the description's (the decoy's log: $(grep -c decoy "$dir/device.log"))" \
        test "$(grep -c decoy "$dir/device.log")" = 0
}

# ---- No router: the program's CPU over a span like the polling one's.

idle_lane() {
    lane=idle
    dir=$work/$lane
    lan=$run_id-$lane-lan prefix=$dir/prefix
    mkdir -p "$dir/app/mivrel"
    : >"$dir/checks"
    ip netns add "$lan" && ip -n "$lan" link set lo up || {
        lane_check "its namespace is made" false
        return
    }
    lane_check "its Wine server runs in its namespace, not the host's" start_wineserver || return
    printf 'app.starts\t1\n' >"$dir/app/mivrel/settings.cfg"
    lane_check "the program starts without a router" lane_start || return
    sleep 3
    local process cpu_before
    process=$(program_process)
    cpu_before=$(cpu_us "$process")
    sleep 10
    report "CPU of the program and its Wine server, no router: $((($(cpu_us "$process") - cpu_before) / 1000)) ms in 10 s"
    lane_close >/dev/null
}

# A lane ends its own processes as it ends, side by side with the others;
# the cleanup at exit only catches what a failure left.
run_lane() {
    lane=$1
    mkdir -p "$work/$lane"
    case $lane in
        upnp | snmp) daemon_lane "$lane" ;;
        device) device_lane ;;
        idle) idle_lane ;;
    esac
    local pid
    [ -d "$work/$lane/prefix" ] && WINEPREFIX=$work/$lane/prefix wineserver -k >/dev/null 2>&1
    for pid in $(cat "$work/$lane"/*.pid 2>/dev/null); do
        kill "$pid" 2>/dev/null
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    done
    echo "$lane: done at $SECONDS s" >>"$work/$lane/report"
}

for lane in "${lanes[@]}"; do
    run_lane "$lane" >"$work/$lane.log" 2>&1 &
done
wait

for lane in "${lanes[@]}"; do
    cat "$work/$lane/report" 2>/dev/null
    [ -s "$work/$lane/checks" ] || check "$lane: the lane ran" false
    while IFS='|' read -r outcome name; do
        check "$name" test "$outcome" = ok
    done <"$work/$lane/checks"
done
finish
