#!/usr/bin/env bash
# The real program under Wine's virtual desktop, whose taskbar has a
# notification area: by default the program's icon shows there, and with
# app.tray_icon "graph" a live icon in the theme's background colour.
#   bash tray_icon.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

# Wine reads the desktop's settings when its server starts.
restart_wine() {
    wineserver -k
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
}
reg() { timeout 60 "$wine" reg "$@" /f </dev/null >/dev/null 2>&1; }
screen=$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*\)x\([0-9]*\) pixels.*/\1 \2/p')
read -r screen_width screen_height <<<"${screen:-1280 1024}"
reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell
reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "${screen_width}x$screen_height"
restart_wine
e2e_cleanup() {
    reg delete 'HKCU\Software\Wine\Explorer' /v Desktop
    reg delete 'HKCU\Software\Wine\Explorer\Desktops' /v shell
    restart_wine
}

# How many pixels of the colour "r,g,b" the notification area's corner holds.
pixels_of() {
    import -window root "$work/screen.png" 2>/dev/null
    convert "$work/screen.png" -crop "120x40+$((screen_width - 120))+$((screen_height - 40))" +repage \
        -format %c histogram:info: 2>/dev/null |
        sed -n "s/^ *\([0-9]*\): ($1[,)].*/\1/p" | head -n 1 | grep . || echo 0
}
icon_green=62,216,91        # the program's icon
mocha_background=101,106,97 # Zombie Mocha's background, 0x616A65

run_with() {
    mkdir -p "$work/mivrel"
    printf 'app.starts\t1\ngraph.theme\tZombie Mocha\ndevice.in\tnone\ndevice.out\tnone\n%s' "$1" \
        >"$work/mivrel/settings.cfg"
    start_program "$work"
    probe wait 30000 >/dev/null
    sleep 3
}

stop() {
    probe close >/dev/null
    exit_code=$(wait_for_exit 30)
    program_pid=
}

run_with ""
green=$(pixels_of "$icon_green")
background=$(pixels_of "$mocha_background")
check "by default the program's icon is in the notification area ($green of its pixels)" test "$green" -ge 10
check "and no live icon ($background background pixels)" test "$background" -eq 0
stop
check "the program ends with exit code 0 (got $exit_code)" test "$exit_code" = 0

run_with $'app.tray_icon\tgraph\n'
green=$(pixels_of "$icon_green")
background=$(pixels_of "$mocha_background")
# A quiet link: 14 x 14 pixels of background inside a frame.
check "the live graph icon shows the theme's background ($background pixels)" test "$background" -ge 190
check "in place of the program's icon ($green of its pixels)" test "$green" -eq 0
stop
check "the program ends with exit code 0 (got $exit_code)" test "$exit_code" = 0

finish
