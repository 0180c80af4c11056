#!/usr/bin/env bash
# The readout under the real pointer (moved by xdotool over Xvfb): hidden over
# a column without a sample, shown once the graph scrolls one under a still
# pointer, following it column by column, hidden again outside the window.
#   bash pointer_readout.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

# A later run, a tick every 50 ms, no counters: every sample reads 0.
mkdir -p "$work/mivrel"
printf 'app.starts\t1\ngraph.delay\t50\ndevice.in\tnone\ndevice.out\tnone\n' >"$work/mivrel/settings.cfg"
zero=" | Down:  0.0 bytes/s | Up:  0.0 bytes/s"

start_program "$work"
window=$(probe find 30000)
read -r left top width height <<<"$(sed -n 's/^client //p' <<<"$window")"
# The column showing the sample `age` ticks old, halfway down the graph.
point_at() { xdotool mousemove $((${left:-0} + ${width:-0} - 1 - $1)) $((${top:-0} + ${height:-0} / 2)); }
field() { sed -n "s/^$1 //p" <<<"$tip"; }

# 150 ticks are 7.5 s: that column is still empty for a while after the start.
point_at 150
tip=$(probe tip hidden 2000)
check "no readout over a column without a sample ($(field tip))" test "$(field tip)" = hidden
tip=$(probe tip visible 30000)
check "the graph scrolled a sample under the still pointer: shown ($(field tip))" test "$(field tip)" = visible
check "it names that sample (got '$(field text)')" test "$(field text)" = "8 s ago$zero"

point_at 20
sleep 0.5
tip=$(probe tip visible 2000)
check "it follows the pointer to the next column (got '$(field text)')" test "$(field text)" = "1 s ago$zero"
read -r tip_left tip_top _ <<<"$(field rect)"
check "it lies right of and below the pointer" \
    test "${tip_left:-0}" -gt $((${left:-0} + ${width:-0} - 21)) -a "${tip_top:-0}" -gt $((${top:-0} + ${height:-0} / 2))

xdotool mousemove $((${left:-0} + ${width:-0} + 200)) $((${top:-0} + ${height:-0} + 200))
tip=$(probe tip hidden 3000)
check "outside the window the readout hides ($(field tip))" test "$(field tip)" = hidden

probe close >/dev/null
exit_code=$(wait_for_exit 20)
check "a close request ends the program with exit code 0 (got $exit_code)" test "$exit_code" = 0
program_pid=

finish
