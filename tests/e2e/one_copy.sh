#!/usr/bin/env bash
# The real program under Wine, started again while it runs with its window
# hidden: the second start shows that window in front and ends with exit
# code 0 at once, leaving the settings file alone.
#   bash one_copy.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

mkdir -p "$work/mivrel"
printf 'app.starts\t1\n' >"$work/mivrel/settings.cfg"
touch -d '2001-02-03 04:05:06' "$work/mivrel/settings.cfg"
cp -p "$work/mivrel/settings.cfg" "$work/before.cfg"

# At most 10 s: the first copy answers in its own time.
eventually() { for _ in $(seq 20); do "$@" && return 0; sleep 0.5; done; return 1; }
hidden() { test "$(probe find 0)" = "window none"; }
first_in_front() { test "$(probe find 0 | sed -n 's/^window //p') $(probe front)" = "$first front MIVREL"; }

start_program "$work"
first=$(probe find 30000 | sed -n 's/^window //p')
probe icon 0x0202 >/dev/null # a click on the notification icon
check "a click on the icon hides the window" eventually hidden
started=$(date +%s%N)
timeout 20 "$wine" "$probe_program" run "$(windows_path "$work")" "$(windows_path "$program")" </dev/null >/dev/null 2>&1
status=$?
echo "the second start took $((($(date +%s%N) - started) / 1000000)) ms"
check "the second start ends with exit code 0 (got $status)" test "$status" = 0
check "the first copy's window is shown again, in front" eventually first_in_front
check "the settings file is untouched" test "$(stat -c %Y "$work/before.cfg")" = "$(stat -c %Y "$work/mivrel/settings.cfg")"
probe close >/dev/null
check "the first copy then ends with exit code 0" test "$(wait_for_exit 20)" = 0
program_pid=

finish
