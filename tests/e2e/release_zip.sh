#!/usr/bin/env bash
# The release as a Windows user gets it: the zip from scripts/package, its
# program static and stripped, starting and closing under Wine; and the sources
# copied to another path, packed into another build tree, give the same bytes.
#   bash release_zip.sh BUILD_DIR RESULT_FILE
# Needs DISPLAY and MIVREL_WINEPREFIX (scripts/test provides both).
set -uo pipefail
. "$(dirname "$0")/lib.bash"

# Windows' Known DLLs, which are never looked for beside the program, and the
# common controls that the manifest names: neither a compiler runtime
# (libstdc++-6.dll, say) nor IP Helper or the accessibility library, which are
# loaded from System32 at run time.
windows_dlls=$(printf '%s.dll\n' advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 \
    oleaut32 shell32 shlwapi user32 ws2_32)

# Runs scripts/package from the sources $1 into the build tree $2; prints the zip's path.
package() {
    MIVREL_BUILD_DIR=$2 bash "$1/scripts/package" >"$work/package.log" 2>&1 \
        || { cat "$work/package.log" >&2; return 1; }
    tail -n 2 "$work/package.log" | head -n 1
}
checksum_matches() { [ -f "$zip_file" ] && (cd "$build/dist" && sha256sum --quiet -c SHA256SUMS); }
crlf_only() { ! grep -qv $'\r$' "$@"; }
only_windows_dlls() { grep -qx kernel32.dll <<<"$imports" && ! grep -qvxF "$windows_dlls" <<<"$imports"; }
no_debug_sections() { x86_64-w64-mingw32-objdump -h "$program" >"$work/sections" && ! grep -q ' \.debug' "$work/sections"; }

zip_file=$(package "$here" "$build")
check "scripts/package writes the zip and its checksum (${zip_file:-none})" checksum_matches
unzip -q "$zip_file" -d "$work/unzipped" 2>/dev/null
check "it holds mivrel.exe, LICENSE.txt and README.txt, no more" \
    test "$(LC_ALL=C ls -A "$work/unzipped" | tr '\n' ' ')" = "LICENSE.txt README.txt mivrel.exe "
check "its texts have CRLF line ends" crlf_only "$work/unzipped"/*.txt
program=$work/unzipped/mivrel.exe
imports=$(x86_64-w64-mingw32-objdump -p "$program" 2>/dev/null | sed -n 's/^\s*DLL Name: //p' | tr A-Z a-z)
check "the program imports only Known DLLs and the common controls ($(echo $imports))" only_windows_dlls
check "it carries no debug sections" no_debug_sections

# A later run, so that no greeting box comes before the window.
mkdir -p "$work/appdata/mivrel"
printf 'app.starts\t1\n' >"$work/appdata/mivrel/settings.cfg"
start_program "$work/appdata"
check "the unzipped program's window appears" probe wait 30000
probe close >/dev/null
exit_code=$(wait_for_exit 20)
check "a close request ends it with exit code 0 (got $exit_code)" test "$exit_code" = 0
program_pid=

# The sources copied to another path and packed into another build tree:
# scripts/test does that in the background while the other tests run, and
# names the folder in MIVREL_RELEASE_COPY; run alone, this script does it.
copy=${MIVREL_RELEASE_COPY:-$work/copy}
[ -n "${MIVREL_RELEASE_COPY:-}" ] || package_copy "$here" "$copy"
for _ in $(seq 1200); do [ -s "$copy/zip" ] && break; sleep 0.5; done
second_zip=$(cat "$copy/zip" 2>/dev/null)
[ "$second_zip" != failed ] || cat "$copy/package.log" >&2
check "a copy at another path, packed into another build tree, gives the same zip" cmp "$zip_file" "$second_zip"

finish
