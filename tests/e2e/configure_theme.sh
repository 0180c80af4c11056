#!/usr/bin/env bash
# The real program under Wine: Configure opened from the window's context menu,
# a theme chosen in its list and OK pressed recolour the graph on screen, and
# the settings file holds the theme's name afterwards.
#   bash configure_theme.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

# No interface, so that no bar covers the middle of the graph.
mkdir -p "$work/mivrel"
printf 'app.starts\t1\ngraph.theme\tZombie Mocha\n' >"$work/mivrel/settings.cfg"

# The colour on screen at the middle of the window, as "r,g,b".
colour_at_middle() {
    local rect x y
    rect=$(probe find 0 | sed -n 's/^rect //p')
    read -r left top right bottom <<<"$rect"
    x=$(((left + right) / 2))
    y=$(((top + bottom) / 2))
    import -window root "$work/screen.png" 2>/dev/null
    convert "$work/screen.png" -format "%[fx:int(255*p{$x,$y}.r)],%[fx:int(255*p{$x,$y}.g)],%[fx:int(255*p{$x,$y}.b)]" info:
}

middle_is() { test "$(colour_at_middle)" = "$1"; }

start_program "$work"
check "the window appears" probe wait 30000
check "the graph starts in Zombie Mocha's background (0x616A65)" eventually 10 middle_is "101,106,97"
check "Configure opens from the context menu, Rust is chosen and OK pressed" probe theme Rust 20000
check "the graph turns to Rust's background (0x092245)" eventually 10 middle_is "69,34,9"
check "OK saved the theme's name" grep -qx "graph.theme	Rust" "$work/mivrel/settings.cfg"
probe close >/dev/null
exit_code=$(wait_for_exit 30)
check "closing ends the program with exit code 0 (got $exit_code)" test "$exit_code" = 0
check "the name is still saved after closing" grep -qx "graph.theme	Rust" "$work/mivrel/settings.cfg"
program_pid=

finish
