#!/usr/bin/env bash
# Installs the sample medium twice, once on the simulated machine (setupcheck simulate) and once on a real
# one (install_run.exe under Wine, the setup's own code on the Win32 port with the headless form library),
# and checks that the real run did everything the simulation reports: every file under "changes" with its
# size and CRC-32, every deleted file gone, every registry value (wine reg query), every shell link
# (lnkinfo: target, working directory, description); then that both runs showed the same message boxes,
# steps, busy texts, wizard results and started the same programs. Differences are printed one a line;
# the exit status is non-zero when there is any.
#
# The simulated machine is made to look like the Wine prefix: install_run.exe --machine reports what the
# port sees there (version word, screen, Windows and system directories, code page, drives with free
# space, the medium's folder), the user's Shell Folders and the registered owner and organisation are read
# with wine reg query, and the simulation's C: is a copy of the prefix's drive_c in which files above
# 64 KiB (Windows' own programs and libraries) stand as empty files of the same names, so the setup's
# existence tests meet the same files on both machines.
#
# The medium is on E:, a CD-ROM drive of the prefix, as on a user's machine. The headless run opens no
# window, so no display is used; DISPLAY is cleared so that programs the setup starts open none either.
#
# Usage: tests/e2e/install_compare.sh SETUPCHECK INSTALL_RUN_EXE [WORKDIR]
#   SETUPCHECK       the native build's tools/setupcheck/setupcheck
#   INSTALL_RUN_EXE  the Windows build's tests/e2e/install_run.exe
#   WORKDIR          scratch folder, emptied first (default: install_compare beside INSTALL_RUN_EXE)
# TS_E2E_SESSION chooses another session file (default samples/sessions/install.txt). The Wine prefix
# and the simulation's drives are removed after a clean comparison and kept after a failed one.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
if [ $# -lt 2 ]; then
    sed -n '2,/^set /p' "${BASH_SOURCE[0]}" | sed '$d'
    exit 2
fi
setupcheck="$(realpath "$1")"
install_run="$(realpath "$2")"
work="${3:-$(dirname "$install_run")/install_compare}"
session="$(realpath "${TS_E2E_SESSION:-$root/samples/sessions/install.txt}")"
wine="$root/cmake/wine-emulator.sh"
for file in "$setupcheck" "$install_run" "$session"; do
    [ -f "$file" ] || { echo "install_compare: $file is missing"; exit 2; }
done

fail() {
    echo "install_compare: $*"
    exit 1
}
# shellcheck source=tests/e2e/wine_lib.sh
. "$root/tests/e2e/wine_lib.sh"

export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

# A wineserver left from an earlier run of this prefix goes with it.
[ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
rm -rf "$work"
mkdir -p "$work" || fail "cannot make $work"
work="$(cd "$work" && pwd)"
export WINEPREFIX="$work/wineprefix"

echo "--- medium: $work/medium"
"$root/samples/build-medium" "$work/medium" >/dev/null || fail "samples/build-medium failed"
# The program runs from the medium, as SETUP.EXE does: its folder is the setup folder.
cp "$install_run" "$work/medium/install_run.exe" || fail "cannot copy $install_run"

echo "--- Wine prefix: $WINEPREFIX"
e2e_new_prefix
e2e_map_medium "$work/medium"

echo "--- machine file: $work/machine.ini"
e2e_machine_file "$work/machine.ini"
sed 's/^/    /' "$work/machine.ini"

# The simulation's C: is the prefix's drive_c as it is now, before the run.
e2e_mirror_drive_c "$work/simroot/c"

echo "--- simulated run"
"$setupcheck" simulate "$work/medium" --session "$session" --machine "$work/machine.ini" \
    --root "$work/simroot" --in-place --report "$work/simulated.json" || fail "setupcheck simulate failed"

echo "--- run under Wine"
session_win="$(winepath -w "$session")"
report_win="$(winepath -w "$work/wine.json")"
(cd "$work/medium" && timeout 300 "$wine" 'E:\install_run.exe' "$session_win" --report "$report_win") \
    >"$work/wine-run.txt" 2>"$work/wine-run.err"
status=$?
sed 's/^/    /' "$work/wine-run.txt"
[ "$status" -eq 0 ] || { cat "$work/wine-run.err"; fail "install_run.exe ended with status $status"; }
e2e_wait_for_started_programs

echo "--- comparison"
TS_SIM_ROOT="$work/simroot" python3 "$root/tests/e2e/install_run/compare_runs.py" "$work/simulated.json" "$work/wine.json" "$WINEPREFIX" "$wine"
status=$?
wineserver -k 2>/dev/null
if [ "$status" -eq 0 ]; then
    rm -rf "$WINEPREFIX" "$work/simroot"
    echo "install_compare: passed"
else
    echo "install_compare: FAILED (reports, prefix and simulated drives kept in $work)"
fi
exit "$status"
