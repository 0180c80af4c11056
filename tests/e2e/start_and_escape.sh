#!/usr/bin/env bash
# The real program under Wine: its window appears with the expected class,
# styles, place and size, and Escape (or a close request) ends it with exit
# code 0, saving its settings.
#   bash start_and_escape.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

# Its own settings folder, holding a file that marks a later run: a first run
# would greet the user with a modal box before the window shows.
mkdir -p "$work/mivrel"
printf 'app.starts\t1\n' >"$work/mivrel/settings.cfg"

field() { sed -n "s/^$1 //p" <<<"$window"; }
has_bits() { [ $(($1 & $2)) -eq $(($2)) ]; }
has_none() { [ $(($1 & $2)) -eq 0 ]; }

# --- Escape ---------------------------------------------------------------------

start_program "$work"
window=$(probe find 30000)
check "a visible window of class MIVREL appears" grep -q '^window [0-9A-Fa-f]' <<<"$window"
style=$(field style)
exstyle=$(field exstyle)
check "its style is a popup with a sizing frame" has_bits "${style:-0}" 0x80040000
check "it has neither caption nor system menu" has_none "${style:-0xffffffff}" 0x00C80000
check "its extended style is a tool window" has_bits "${exstyle:-0}" 0x00000080
check "it is at 10, 10 with outer size 200 x 80" test "$(field rect)" = "10 10 210 90"

probe escape >/dev/null
exit_code=$(wait_for_exit 20)
check "Escape ends the program with exit code 0 (got $exit_code)" test "$exit_code" = 0
check "no MIVREL window is left" test "$(probe find 0)" = "window none"
check "leaving saved the settings" grep -q "^app.starts	2$" "$work/mivrel/settings.cfg"
program_pid=

# --- Close request --------------------------------------------------------------

start_program "$work"
window=$(probe find 30000)
check "the window comes back at its saved place" test "$(field rect)" = "10 10 210 90"
probe close >/dev/null
exit_code=$(wait_for_exit 20)
check "a close request ends the program with exit code 0 (got $exit_code)" test "$exit_code" = 0
program_pid=

finish
