#!/usr/bin/env bash
# A copy of the program in a folder such as a browser's downloads, with DLLs
# named like IP Helper and like the DNS API (which IP Helper loads) dropped
# beside it, and Windows' search order for those names (the program's folder
# first): neither runs, and the program samples and ends as always.
#   bash planted_dll.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

downloads=$work/downloads
mkdir -p "$downloads" "$work/appdata/mivrel"
cp "$program" "$windows_build/tests/IPHLPAPI.DLL" "$downloads/"
cp "$windows_build/tests/IPHLPAPI.DLL" "$downloads/dnsapi.dll"
program=$downloads/mivrel.exe
# A later run, so that no greeting box comes before the window.
printf 'app.starts\t1\n' >"$work/appdata/mivrel/settings.cfg"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;iphlpapi,dnsapi=n,b"

start_program "$work/appdata"
check "the window appears" probe wait 30000
sleep 3 # ticks, each of which asks IP Helper
check "it still runs after its first ticks" still_running
probe close >/dev/null
exit_code=$(wait_for_exit 20)
check "a close request ends it with exit code 0 (got $exit_code)" test "$exit_code" = 0
check "neither planted DLL ran: no mark beside them" test ! -e "$downloads/planted-mark"
program_pid=

finish
