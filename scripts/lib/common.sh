# Shared by scripts/test and scripts/run: packages, the Wine prefix, Xvfb.

# Each step says how long the one before it took; `step_times` keeps them.
step_times=()
step() {
    finish_step
    current_step=$*
    current_step_began=$SECONDS
    printf '\n== %s\n' "$*"
}
finish_step() {
    [ -n "${current_step:-}" ] || return 0
    local took=$((SECONDS - current_step_began))
    step_times+=("$(printf '%5d s  %s' "$took" "$current_step")")
    printf '   (%d s)\n' "$took"
    current_step=
}

# Installs the packages that are missing; as another user, names them instead.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Install them with: sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
    step "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

wine_binary() {
    if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}

use_wine_prefix() {
    export MIVREL_WINEPREFIX=$1 WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# Makes (once) and starts a quiet private prefix with a persistent server.
start_wine_prefix() {
    use_wine_prefix "$1"
    if [ ! -f "$WINEPREFIX/.mivrel-ready" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$(dirname "$WINEPREFIX")"
        timeout 300 "$(wine_binary)" wineboot --init >/dev/null 2>&1
        timeout 120 wineserver -w
        # No crash dialog: a crashing test must end, not wait for a click.
        timeout 60 "$(wine_binary)" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
            /t REG_DWORD /d 0 /f >/dev/null 2>&1
        # Without a window manager, Wine waits two seconds for each managed
        # window that closes; the tests' windows need no manager.
        timeout 60 "$(wine_binary)" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed \
            /t REG_SZ /d N /f >/dev/null 2>&1
        timeout 120 wineserver -w
        touch "$WINEPREFIX/.mivrel-ready"
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    # Start Wine's services now, so that no test pays for them.
    timeout 120 "$(wine_binary)" wineboot </dev/null >/dev/null 2>&1
}

stop_wine() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    return 0
}

# A display of our own, never one left over from elsewhere.
start_xvfb() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        local tries
        for tries in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$xvfb_pid" 2>/dev/null
    done
    echo "could not start Xvfb" >&2
    return 1
}

stop_xvfb() {
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    return 0
}

# Adds up the gtest reports of both builds and the end-to-end results
# ("N passed, N failed" files), and prints the closing line.
count_results() {
    local results=$1 failed_suites=$2 passed=0 failed=0 report line
    for report in "$results"/native/*.xml "$results"/windows/*.xml; do
        [ -e "$report" ] || continue
        line=$(grep -m1 '<testsuites' "$report")
        local tests failures disabled skipped
        tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$line")
        failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$line")
        disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$line")
        skipped=$(grep -c '<skipped' "$report")
        passed=$((passed + tests - failures - disabled - skipped))
        failed=$((failed + failures))
    done
    for report in "$results"/e2e-*.txt; do
        [ -e "$report" ] || continue
        line=$(tail -n 1 "$report")
        passed=$((passed + $(sed -n 's/^\([0-9]*\) passed.*/\1/p' <<<"$line")))
        failed=$((failed + $(sed -n 's/.* \([0-9]*\) failed.*/\1/p' <<<"$line")))
    done
    # A suite that crashed or timed out reports nothing: count it as a failure.
    if [ "$failed_suites" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ] && [ "$failed_suites" -eq 0 ]
}

# The release check's second half: the sources as they are in $1 (uncommitted
# changes too) copied to the folder $2, packed there into a build tree of
# their own. Writes the zip's path to $2/zip, or "failed" there; the log is
# $2/package.log. The checkout may belong to another user than the one
# testing (CI containers).
package_copy() {
    local sources=$1 out=$2
    rm -rf "$out"
    mkdir -p "$out/elsewhere/mivrel"
    git -C "$sources" -c safe.directory="$sources" ls-files -z --cached --others --exclude-standard \
        | (cd "$sources" && tar -c --null -T -) | tar -x -C "$out/elsewhere/mivrel"
    if MIVREL_BUILD_DIR=$out/other-build bash "$out/elsewhere/mivrel/scripts/package" >"$out/package.log" 2>&1; then
        tail -n 2 "$out/package.log" | head -n 1 >"$out/zip.tmp" && mv "$out/zip.tmp" "$out/zip"
    else
        echo failed >"$out/zip"
    fi
}
