#!/usr/bin/env bash
# The real program on a screen scaled to 200 %: the default window is twice
# the size, and the graph's lengths follow (the maximum line on row 24).
#   bash high_dpi.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

# Wine reads the DPI when its server starts.
set_dpi() {
    timeout 60 "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        </dev/null >/dev/null 2>&1
    wineserver -k
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
}
e2e_cleanup() { set_dpi 96; }
set_dpi 192

# A later run (no greeting), default place and size, black background, no traffic.
mkdir -p "$work/mivrel"
printf 'app.starts\t1\ngraph.theme\tClassic\ndevice.in\tnone\ndevice.out\tnone\n' >"$work/mivrel/settings.cfg"

field() { sed -n "s/^$1 //p" <<<"$window"; }
start_program "$work"
window=$(probe find 30000)
check "the default window is 400 x 160 at 20, 20" test "$(field rect)" = "20 20 420 180"

read -r left top width height <<<"$(field client)"
probe wait 0 >/dev/null
shot=$work/screen.png
pixel() { convert "$shot" -format '%[hex:p{'"$1,$2"'}]' info: 2>/dev/null; }
x=$((${left:-0} + ${width:-3} - 3))
# A tick or two, until the window has painted its line.
painted() {
    import -window root "$shot" 2>/dev/null
    line=$(pixel "$x" $((${top:-0} + 24)))
    test -n "$line" -a "$line" != 000000
}
eventually 10 painted
check "row 24 holds the maximum line (got ${line:-nothing})" test -n "$line" -a "$line" != 000000
check "rows 23 and 25 are background" test "$(pixel "$x" $((${top:-0} + 23)))$(pixel "$x" $((${top:-0} + 25)))" = 000000000000

probe close >/dev/null
exit_code=$(wait_for_exit 20)
check "a close request ends the program with exit code 0 (got $exit_code)" test "$exit_code" = 0
program_pid=

finish
