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
timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot failed or timed out"
ln -s "$work/medium" "$WINEPREFIX/dosdevices/e:" || fail "cannot map E:"
"$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d cdrom /f >/dev/null 2>&1 || fail "cannot make E: a CD-ROM"
# The drive types are read when the prefix's services start: start them again. From here on one
# persistent wineserver serves every Wine command up to the comparison: a new one would start a new
# session, whose start runs and deletes the RunOnce values the setup wrote.
wineserver -k 2>/dev/null
sleep 1
wineserver -p || fail "cannot start a persistent wineserver"

# reg_lines KEY: the key's string values as machine-file [Registry] lines (reg query prints code page 936).
reg_lines() {
    "$wine" reg query "$1" 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' |
        sed -n "s/^    \(.*\)    REG_\(SZ\|EXPAND_SZ\)    \(.*\)\$/\1=\3/p; s/^    \(.*\)    REG_\(SZ\|EXPAND_SZ\)\$/\1=/p" |
        sed "s/^/$(printf '%s' "$1" | sed 's/[\/&]/\\&/g')|/"
}

echo "--- machine file: $work/machine.ini"
machine_facts="$(cd "$work/medium" && "$wine" 'E:\install_run.exe' --machine)" || fail "install_run.exe --machine failed"
{
    printf '%s\n' "$machine_facts"
    echo "[Registry]"
    reg_lines 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
    for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' 'HKLM\Software\Microsoft\Windows\CurrentVersion'; do
        reg_lines "$key" | grep -E '\|Registered(Owner|Organization)='
    done
} >"$work/machine.ini"
grep -q '^SetupFolder=E:\\$' "$work/machine.ini" || fail "the medium is not the current directory E:\\ under Wine"
grep -qi '|Programs=' "$work/machine.ini" || fail "no Programs folder among the Shell Folders"
sed 's/^/    /' "$work/machine.ini"

# The simulation's C: is the prefix's drive_c as it is now, before the run.
python3 "$root/tests/e2e/install_run/compare_runs.py" --mirror "$WINEPREFIX/drive_c" "$work/simroot/c" 65536 ||
    fail "cannot copy drive_c for the simulation"

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
# Programs the setup started (a batch file, Notepad) finish before the machine is read.
for _ in $(seq 60); do
    pgrep -f -i 'notepad\.exe|cmd\.exe' >/dev/null 2>&1 || break
    sleep 1
done

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
