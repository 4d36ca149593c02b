#!/usr/bin/env bash
# SETUP.EXE in real windows: for every scenario below, the sample medium (or a variant of it) is installed
# under Wine on a virtual screen by SETUP.EXE itself, driven by setupbot with a session of samples/sessions,
# and simulated by `setupcheck simulate` with the same session on a machine made to look like the prefix.
# A scenario passes when
#   - at every stop (each page, dialog, message box, folder browser, and pauses during the stages) the
#     screen equals a forced full repaint of every window of the setup (setupbot compares the two
#     screenshots, the clock label masked) and the windows agree with the form library's state;
#   - what setupbot read from the windows (message boxes, pages, headers, Next and Back, the mode, the
#     products, the instance name, the path list, the summary, the end) equals the simulation's report;
#   - the prefix holds every effect the simulation reports (files, registry values, shell links).
# Screenshots of every stop go to OUT/screens/SCENARIO/ as PNG with a contact sheet per scenario and one of
# all (OUT/screens/contact.png). The screenshots of the documentation (docs/screens) are replaced by this
# run's where they differ outside the clock (TS_UPDATE_SCREENS=0 leaves them alone).
#
# Usage: tests/e2e/real_windows.sh SETUPCHECK WIN64_TREE [OUT]
#   SETUPCHECK  the native build's tools/setupcheck/setupcheck
#   WIN64_TREE  the Windows build tree (SETUP.EXE, setupbot.exe, machine_facts.exe)
#   OUT         scratch and results folder, emptied first (default build/e2e)
# TS_E2E_ONLY=NAME[,NAME...] runs only the named scenarios.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
if [ $# -lt 2 ]; then
    sed -n '2,/^set /p' "${BASH_SOURCE[0]}" | sed '$d'
    exit 2
fi
setupcheck="$(realpath "$1")"
tree="$(realpath "$2")"
out="${3:-$root/build/e2e}"
wine="$root/cmake/wine-emulator.sh"
setup_exe="$(find "$tree/tools/setup" -maxdepth 1 -iname 'SETUP.exe' | head -n 1)"
setupbot="$tree/tools/setupbot/setupbot.exe"
machine_facts="$tree/tests/e2e/machine_facts.exe"
for file in "$setupcheck" "$setup_exe" "$setupbot" "$machine_facts"; do
    [ -f "$file" ] || { echo "real_windows: ${file:-SETUP.EXE} is missing"; exit 2; }
done

fail() {
    echo "real_windows: $*"
    exit 1
}
# shellcheck source=tests/e2e/wine_lib.sh
. "$root/tests/e2e/wine_lib.sh"

# name | session | screen | variant of the medium or the machine
scenarios=(
    "install|install.txt|1024x768|plain"
    "client|client.txt|1024x768|plain"
    "modules|modules.txt|1024x768|plain"
    "paths|paths.txt|1024x768|plain"
    "cancel|cancel.txt|1024x768|plain"
    "cancel-middle|cancel-middle.txt|1024x768|plain"
    "bad-password|install.txt|1024x768|bad-password"
    "boot-backup|install.txt|1024x768|boot-backup"
    "small-screen|install.txt|800x600|plain"
)
# Every session of samples/sessions is played by at least one scenario.
for session_file in "$root"/samples/sessions/*.txt; do
    name="$(basename "$session_file")"
    printf '%s\n' "${scenarios[@]}" | cut -d'|' -f2 | grep -qx "$name" ||
        fail "samples/sessions/$name is played by no scenario"
done

export WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

if [ -d "$out/template" ]; then WINEPREFIX="$out/template" wineserver -k 2>/dev/null; fi
rm -rf "$out"
mkdir -p "$out/screens" || fail "cannot make $out"
out="$(cd "$out" && pwd)"

echo "--- medium"
"$root/samples/build-medium" "$out/medium" >/dev/null || fail "samples/build-medium failed"
cp "$setup_exe" "$out/medium/SETUP.EXE" && cp "$setupbot" "$out/medium/setupbot.exe" &&
    cp "$machine_facts" "$out/medium/machine_facts.exe" || fail "cannot put the programs on the medium"

echo "--- template prefix"
export WINEPREFIX="$out/template"
e2e_new_prefix
# Xvfb has no window manager: unmanaged windows do without one.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -k 2>/dev/null
sleep 1

xvfb_pid=""
stop_display() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
}
# start_display WxH: a virtual screen of that size on a free display number.
start_display() {
    local display=80
    while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do display=$((display + 1)); done
    Xvfb ":${display}" -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":${display}"
    local _
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${display}" ] && return 0
        sleep 0.1
    done
    fail "Xvfb did not start on $DISPLAY"
}
trap 'stop_display; [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null' EXIT

# prepare_variant NAME MEDIUM: the medium or the prefix made to fail as the scenario wants.
prepare_variant() {
    case "$1" in
    plain) ;;
    bad-password)
        # One package of a module copied after the database engine's, packed with another password: the
        # archive engine raises to the copy stage, which shows the application's exception box.
        local src="$root/samples/medium-src/packages/THGL"
        rm -f "$2/THGL.DAT"
        (cd "$src" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | zip -q -X -D -P 'another password' "$2/THGL.DAT" -@) ||
            fail "cannot pack THGL.DAT with another password"
        ;;
    boot-backup)
        # C:\AUTOEXEC.BAT exists, but its backup cannot be created (a folder has the backup's name).
        printf '@ECHO OFF\r\n' >"$WINEPREFIX/drive_c/AUTOEXEC.BAT"
        mkdir -p "$WINEPREFIX/drive_c/AUTOEXEC.CHT"
        ;;
    *) fail "unknown variant $1" ;;
    esac
}

# png_of BMP PNG: the screenshot as PNG.
png_of() { convert "$1" "$2" 2>/dev/null; }

# play_scenario NAME SESSION SCREEN VARIANT: one run of a scenario in $out/NAME; sets status (0 passed)
# and hung (1 when setupbot gave up waiting for the program).
play_scenario() {
    local name="$1" session="$2" screen="$3" variant="$4"
    work="$out/$name"
    mkdir -p "$work/shots" "$out/screens/$name"
    cp -a "$out/medium" "$work/medium"
    cp -a "$out/template" "$work/wineprefix"
    export WINEPREFIX="$work/wineprefix"
    prepare_variant "$variant" "$work/medium"
    start_display "$screen"
    e2e_map_medium "$work/medium"
    e2e_machine_file "$work/machine.ini"
    e2e_mirror_drive_c "$work/simroot/c"

    "$setupcheck" simulate "$work/medium" --session "$root/samples/sessions/$session" --machine "$work/machine.ini" \
        --root "$work/simroot" --in-place --report "$work/simulated.json" >"$work/simulate.txt" 2>&1 ||
        { cat "$work/simulate.txt"; fail "$name: setupcheck simulate failed"; }

    (cd "$work/medium" && timeout 600 "$wine" 'E:\setupbot.exe' "$(winepath -w "$root/samples/sessions/$session")" \
        --report "$(winepath -w "$work/robot.json")" --shots "$(winepath -w "$work/shots")" -- 'E:\SETUP.EXE') \
        >"$work/robot.txt" 2>&1
    local robot_status=$?
    e2e_wait_for_started_programs 20
    sed 's/^/    /' "$work/robot.txt"

    status=0
    hung=0
    if [ "$robot_status" -ge 2 ] || [ ! -f "$work/robot.json" ]; then
        echo "setupbot failed (status $robot_status)"
        status=1
        if [ "$robot_status" -eq 124 ] || grep -q '"kind": *"timeout"' "$work/robot.json" 2>/dev/null; then hung=1; fi
    else
        [ "$robot_status" -eq 0 ] || status=1
        python3 "$root/tests/e2e/robot_stops.py" "$work/robot.json" || status=1
        TS_SIM_ROOT="$work/simroot" python3 "$root/tests/e2e/compare_runs.py" --robot \
            "$work/simulated.json" "$work/robot.json" "$WINEPREFIX" "$wine" || status=1
    fi
    wineserver -k 2>/dev/null
    stop_display
}

results=()
failed=0
only=",${TS_E2E_ONLY:-},"
for scenario in "${scenarios[@]}"; do
    IFS='|' read -r name session screen variant <<<"$scenario"
    if [ "$only" != ",," ] && [[ "$only" != *",$name,"* ]]; then continue; fi
    echo
    echo "=== $name: samples/sessions/$session, ${screen}, $variant"
    start=$SECONDS
    play_scenario "$name" "$session" "$screen" "$variant"
    retried=""
    if [ "$hung" -eq 1 ]; then
        # A program that stopped answering is run once more, on a fresh prefix; the hung run is kept
        # beside it and the retry is named in the summary.
        echo "--- $name: setupbot gave up waiting for SETUP.EXE; the first run is kept in $out/$name-hung"
        rm -rf "$out/$name-hung" "$out/screens/$name"
        mv "$out/$name" "$out/$name-hung"
        play_scenario "$name" "$session" "$screen" "$variant"
        retried=", after a run that hung"
    fi

    shopt -s nullglob
    for bmp in "$work"/shots/*.bmp; do
        png_of "$bmp" "$out/screens/$name/$(basename "${bmp%.bmp}").png"
    done
    pngs=("$out/screens/$name"/*.png)
    shopt -u nullglob
    if [ ${#pngs[@]} -gt 0 ]; then
        montage "${pngs[@]}" -tile 4x -geometry 320x240+4+4 -title "$name" "$out/screens/$name-contact.png" 2>/dev/null
    fi
    if [ "$status" -eq 0 ]; then
        rm -rf "$work/wineprefix" "$work/simroot"
        results+=("PASS  $name ($((SECONDS - start)) s, ${#pngs[@]} stops${retried})")
    else
        failed=1
        results+=("FAIL  $name ($((SECONDS - start)) s; reports and prefix kept in $work)")
    fi
done

shopt -s nullglob
sheets=("$out"/screens/*-contact.png)
shopt -u nullglob
[ ${#sheets[@]} -gt 0 ] && montage "${sheets[@]}" -tile 3x -geometry +4+4 "$out/screens/contact.png" 2>/dev/null

if [ "${TS_UPDATE_SCREENS:-1}" = 1 ] && [ "$only" = ",," ]; then
    python3 "$root/tests/e2e/robot_stops.py" --docs "$out" "$root/docs/screens" || failed=1
fi

echo
printf '%s\n' "${results[@]}"
if [ "$failed" -ne 0 ]; then
    echo "real_windows: FAILED"
    exit 1
fi
echo "real_windows: passed"
