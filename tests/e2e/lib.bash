# Shared by the end-to-end scripts: the real mivrel.exe under Wine, steered by
# the probe program, each check counted; the last line of the result file is
# "N passed, N failed".
#   . lib.bash BUILD_DIR RESULT_FILE     (needs DISPLAY and MIVREL_WINEPREFIX)

build=$(cd "$1" && pwd)
result_file=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$here/scripts/lib/common.sh"

windows_build=$build/windows
[ -f "$windows_build/src/mivrel.exe" ] || windows_build=$build
program=$windows_build/src/mivrel.exe
probe_program=$windows_build/tests/probe.exe
export WINEPREFIX=${MIVREL_WINEPREFIX:?run through scripts/test} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(wine_binary)

passed=0
failed=0
: >"$result_file"

check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok - $name" | tee -a "$result_file"
    else
        failed=$((failed + 1))
        echo "not ok - $name" | tee -a "$result_file"
    fi
}

# Runs a command until it succeeds, for at most $1 seconds: for what the
# program shows a moment after it is asked, however loaded the machine.
eventually() {
    local until=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$until" ] || return 1
        sleep 0.2
    done
}

finish() {
    echo "$passed passed, $failed failed" | tee -a "$result_file"
    [ "$failed" -eq 0 ]
    exit
}

[ -f "$program" ] && [ -f "$probe_program" ] || {
    check "the program and the probe are built" false
    finish
}

work=$(mktemp -d)
program_pid=

# Installs what a script needs besides Wine, or ends it with a failed check;
# `python` names Debian's python3, the one the packages serve.
need_packages() {
    ensure_packages "$@" || {
        check "$* are installed" false
        finish
    }
    python=python3
    [ -x /usr/bin/python3 ] && python=/usr/bin/python3
}

probe() { timeout 60 "$wine" "$probe_program" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
windows_path() { echo "Z:$(tr / '\\' <<<"$1")"; }

# Starts the program in the background, with "AppData" set to the folder $1 when
# given (else the prefix's own); its exit code lands in $work/exit-code. It is
# ended after $run_limit seconds (90 unless set).
start_program() {
    rm -f "$work/exit-code"
    if [ $# -gt 0 ]; then
        set -- "$probe_program" run "$(windows_path "$1")" "$(windows_path "$program")"
    else
        set -- "$program"
    fi
    (
        timeout "${run_limit:-90}" "$wine" "$@" </dev/null >/dev/null 2>&1
        echo $? >"$work/exit-code"
    ) &
    program_pid=$!
}

# Waits (at most $1 seconds) for the program to end; prints its exit code.
wait_for_exit() {
    local tries
    for tries in $(seq $(($1 * 10))); do
        [ -s "$work/exit-code" ] && break
        sleep 0.1
    done
    cat "$work/exit-code" 2>/dev/null || echo "still running"
}

still_running() { [ ! -s "$work/exit-code" ] && probe wait 0 >/dev/null; }

# Ends a program still running and removes the scratch folder; scripts that
# keep more to tidy define e2e_cleanup.
cleanup() {
    if [ -n "$program_pid" ] && [ ! -s "$work/exit-code" ]; then
        probe close >/dev/null
        wait_for_exit 10 >/dev/null
        kill "$program_pid" 2>/dev/null
    fi
    declare -F e2e_cleanup >/dev/null && e2e_cleanup
    rm -rf "$work"
}
trap cleanup EXIT
