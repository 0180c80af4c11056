#!/usr/bin/env bash
# The real program under Wine with its settings in the user's own application
# data folder of the prefix: a prepared file comes back byte for byte after a
# run (its order, its unknown key, app.starts + 1), the counts an earlier
# version kept beside it move to the machine's own (local) folder, and "Reset
# Config and Exit..." answered yes removes the files and both folders,
# answered no keeps them.
#   bash settings_roundtrip.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

reset_config=32783
button_yes=6
button_no=7

# Wine gives the program its own "AppData" and "LocalAppData": the prefix's
# folders of the user, whatever the host's environment says.
roaming=
for candidate in "$WINEPREFIX/drive_c/users/$(id -un)" "$WINEPREFIX"/drive_c/users/*; do
    [ "$(basename "$candidate")" = Public ] && continue
    [ -d "$candidate/AppData/Roaming" ] && { roaming=$candidate/AppData/Roaming; break; }
done
[ -n "$roaming" ] || {
    check "the prefix has a roaming application data folder" false
    finish
}
folder=$roaming/mivrel
file=$folder/settings.cfg
counts=$(dirname "$roaming")/Local/mivrel

# Whatever the prefix held stays untouched after the test.
[ -e "$folder" ] && mv "$folder" "$work/kept-settings"
[ -e "$counts" ] && mv "$counts" "$work/kept-counts"
e2e_cleanup() {
    rm -rf "$folder" "$counts"
    [ -e "$work/kept-settings" ] && mv "$work/kept-settings" "$folder"
    [ -e "$work/kept-counts" ] && mv "$work/kept-counts" "$counts"
}

# A returning user's file in an order of its own, with a key that no part of
# the program knows. The maximum is locked, so that no tick changes what is saved.
prepared() {
    printf '%s\t%s\n' \
        graph.theme Classic \
        app.top 40 \
        some.extra_key "left as it is" \
        app.left 30 \
        app.width 260 \
        app.height 90 \
        app.starts "$1" \
        graph.delay 750 \
        graph.locked_max 1 \
        graph.locked_max_value 2048 \
        app.always_on_top 0 \
        app.alpha 200 \
        graph.dependent_text_color 1 \
        app.tray_icon graph \
        graph.rate_units bits \
        device.in '*' \
        device.out '*'
}

prepare_file() {
    mkdir -p "$folder"
    prepared "$1" >"$file"
}

# --- A run ended by the close message -----------------------------------------

prepare_file 7
printf '\357\273\277date,adapter,hardware,received,sent\r\n2026-01-02,eth0,1,7,7\r\n' >"$folder/usage-history.csv"
start_program
check "the window appears" probe wait 30000
check "the close message is delivered" probe close
exit_code=$(wait_for_exit 30)
check "the program ends with exit code 0 (got $exit_code)" test "$exit_code" = 0
prepared 8 >"$work/expected.cfg"
check "the file comes back byte for byte, app.starts counted up" cmp "$work/expected.cfg" "$file"
check "an earlier version's history moved to the local folder" \
    grep -q '^2026-01-02,eth0,1,7,7' "$counts/usage-history.csv"
check "the settings folder holds the settings alone (got $(ls "$folder" | tr '\n' ' '))" \
    test "$(ls -A "$folder")" = settings.cfg
program_pid=

# --- Reset Config and Exit..., answered no -----------------------------------

prepare_file 3
cp "$file" "$work/before.cfg"
start_program
check "the window appears for the reset answered no" probe wait 30000
check "the reset command is delivered" probe command $reset_config
check "the reset question is answered no" probe answer "Reset mivrel" $button_no 20000
sleep 1
check "the program keeps running after no" still_running
check "the file is unchanged after no" cmp "$work/before.cfg" "$file"
probe close
exit_code=$(wait_for_exit 30)
check "closing afterwards ends it with exit code 0 (got $exit_code)" test "$exit_code" = 0
program_pid=

# --- Reset Config and Exit..., answered yes ----------------------------------

prepare_file 5
start_program
check "the window appears for the reset answered yes" probe wait 30000
check "the reset command is delivered again" probe command $reset_config
check "the reset question is answered yes" probe answer "Reset mivrel" $button_yes 20000
exit_code=$(wait_for_exit 30)
check "the reset ends the program with exit code 0 (got $exit_code)" test "$exit_code" = 0
check "no settings file is left" test ! -e "$file"
check "no settings folder is left" test ! -e "$folder"
check "no counts folder is left" test ! -e "$counts"
program_pid=

finish
