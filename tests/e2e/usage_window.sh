#!/usr/bin/env bash
# The real program under Wine: "Usage..." in the window's context menu opens
# the Usage window, and its Export writes the history through the Save As
# dialog into a folder whose name no ANSI code page holds, leaving the files
# of others there alone, even those named like its own temporary files.
#   bash usage_window.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

mkdir -p "$work/mivrel"
printf 'app.starts\t1\nplan.limit_mb\t50000\n' >"$work/mivrel/settings.cfg"
folder="$work/Łukasz Żółć 李"
mkdir -p "$folder"
for name in '~1234' '~abc.1'; do echo "another program's" >"$folder/$name"; done

start_program "$work"
check "the window appears" probe wait 30000
check "Usage... in the context menu opens the Usage window" probe usage 20000
exported=$(probe export "$(windows_path "$work")" 20000)
offered="mivrel-usage-$(date +%F).csv"
check "the Save As dialog offers $offered (got ${exported#exported })" test "$exported" = "exported $offered"
# The save worker writes it a moment after the box closes.
for tries in $(seq 100); do [ -s "$folder/$offered" ] && break; sleep 0.1; done
check "the history is written under the folder named outside the ANSI code page" \
    test -s "$folder/$offered"
check "the folder holds the export and the two files it held, nothing else (got $(ls "$folder" | tr '\n' ' '))" \
    test "$(ls -A "$folder" | sort | tr '\n' ' ')" = "$(printf '%s\n' '~1234' '~abc.1' "$offered" | sort | tr '\n' ' ')"
check "it starts with the byte-order mark and the header line" \
    test "$(head -c 40 "$folder/$offered" 2>/dev/null | od -An -c | tr -s ' ')" = \
    "$(printf '\357\273\277date,adapter,hardware,received,sent\r\n' | od -An -c | tr -s ' ')"
probe answer Usage 2 10000 >/dev/null
probe close >/dev/null
exit_code=$(wait_for_exit 30)
check "closing ends the program with exit code 0 (got $exit_code)" test "$exit_code" = 0
check "the plan is kept in the settings" grep -qx "plan.limit_mb	50000" "$work/mivrel/settings.cfg"
program_pid=

finish
