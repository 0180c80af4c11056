#!/usr/bin/env bash
# The real program in Wine's virtual desktop, whose taskbar has a notification
# area: the program's icon shows there by default, and with app.tray_icon
# "graph" a live icon in the theme's background colour (a quiet link).
#   bash tray_icon.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

# Wine reads the desktop's settings when its server starts.
reg() { timeout 60 "$wine" reg "$@" /f </dev/null >/dev/null 2>&1; }
restart_wine() { wineserver -k && wineserver -w && wineserver -p </dev/null >/dev/null 2>&1; }
read -r width height <<<"$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*\)x\([0-9]*\) pixels.*/\1 \2/p')"
reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell
reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "${width}x$height"
restart_wine
e2e_cleanup() {
    reg delete 'HKCU\Software\Wine\Explorer' /v Desktop
    reg delete 'HKCU\Software\Wine\Explorer\Desktops' /v shell
    restart_wine
}

# Pixels of the colour "r,g,b" in the screen's bottom-right corner, the notification area.
pixels_of() {
    convert "$work/screen.png" -crop "120x40+$((width - 120))+$((height - 40))" -format %c histogram:info: |
        sed -n "s/^ *\([0-9]*\): ($1[,)].*/\1/p" | grep . || echo 0
}

# The notification area as it is now, and whether it shows what mode $1 draws.
icon_shows() {
    import -window root "$work/screen.png" 2>/dev/null
    green=$(pixels_of 62,216,91)         # the program's icon
    background=$(pixels_of 101,106,97)   # Zombie Mocha's background, 0x616A65
    if [ "$1" = icon ]; then
        test "$green" -ge 10 -a "$background" -eq 0
    else
        test "$background" -ge 190 -a "$green" -eq 0
    fi
}

for mode in icon graph; do
    mkdir -p "$work/mivrel"
    printf 'app.starts\t1\ngraph.theme\tZombie Mocha\ndevice.in\tnone\ndevice.out\tnone\napp.tray_icon\t%s\n' \
        "$mode" >"$work/mivrel/settings.cfg"
    start_program "$work"
    probe wait 30000 >/dev/null
    eventually 10 icon_shows "$mode"
    if [ "$mode" = icon ]; then
        check "by default the program's icon shows ($green of its pixels, $background of background)" \
            test "$green" -ge 10 -a "$background" -eq 0
    else
        check "the graph icon shows the background inside its frame ($background of 14 x 14 pixels, $green of the icon)" \
            test "$background" -ge 190 -a "$green" -eq 0
    fi
    probe close >/dev/null
    exit_code=$(wait_for_exit 30)
    program_pid=
    check "the program ends with exit code 0 (got $exit_code)" test "$exit_code" = 0
done

finish
