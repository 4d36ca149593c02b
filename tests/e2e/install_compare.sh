#!/usr/bin/env bash
# The unattended setup against the simulation: for every session of samples/sessions, the sample medium is
# installed once on the simulated machine (setupcheck simulate) and once on a Wine prefix by
# SETUP.EXE /S /SESSION=... /LOG=... (the setup's own code on the Win32 port, no window), and then:
#   - the exit status is the one the simulated run earns (0 installed, 3 cancelled, ...);
#   - the log's "changes", taken from what SETUP.EXE did on the prefix, equal the simulation's entry for
#     entry (profile files and links, which Wine writes in layouts of its own, equal the prefix's files);
#   - the prefix holds every effect the simulation reports: every file with its size and CRC-32, every
#     deleted file gone, every registry value (wine reg query), every shell link (lnkinfo);
#   - both runs showed the same message boxes, steps, busy texts, wizard results and started programs.
# Then a killed run: SETUP.EXE /S on a medium whose first package ends in a large item is ended while it
# extracts that item, and its journal must list every file the prefix holds under the installation folder
# (but the one being written), each with the size and CRC-32 it has there.
# Differences are printed one a line; the exit status is non-zero when there is any.
#
# The simulated machine is made to look like the Wine prefix: machine_facts.exe reports what the
# port sees there (version word, screen, Windows and system directories, code page, drives with free
# space, the medium's folder), the user's Shell Folders and the registered owner and organisation are read
# with wine reg query, and the simulation's C: is a copy of the prefix's drive_c in which files above
# 64 KiB (Windows' own programs and libraries) stand as empty files of the same names, so the setup's
# existence tests meet the same files on both machines. Every session starts from a copy of the same fresh
# prefix and of the same simulated drives.
#
# The medium is on E:, a CD-ROM drive of the prefix, as on a user's machine. The unattended run opens no
# window, so no display is used; DISPLAY is cleared so that programs the setup starts open none either.
#
# Usage: tests/e2e/install_compare.sh SETUPCHECK SETUP_EXE MACHINE_FACTS_EXE [WORKDIR]
#   SETUPCHECK         the native build's tools/setupcheck/setupcheck
#   SETUP_EXE          the Windows build's SETUP.EXE
#   MACHINE_FACTS_EXE  the Windows build's tests/e2e/machine_facts.exe
#   WORKDIR            scratch folder, emptied first (default: install_compare beside SETUP_EXE)
# TS_E2E_SESSIONS names the session files to run (default: every samples/sessions/*.txt). Prefixes and
# simulated drives of sessions that compare clean are removed; the others are kept.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
if [ $# -lt 3 ]; then
    sed -n '2,/^set /p' "${BASH_SOURCE[0]}" | sed '$d'
    exit 2
fi
setupcheck="$(realpath "$1")"
setup_exe="$(realpath "$2")"
machine_facts="$(realpath "$3")"
work="${4:-$(dirname "$setup_exe")/install_compare}"
wine="$root/cmake/wine-emulator.sh"
read -r -a sessions <<<"${TS_E2E_SESSIONS:-$(ls "$root"/samples/sessions/*.txt | tr '\n' ' ')}"
for file in "$setupcheck" "$setup_exe" "$machine_facts" "${sessions[@]}"; do
    [ -f "$file" ] || { echo "install_compare: $file is missing"; exit 2; }
done

fail() {
    echo "install_compare: $*"
    exit 1
}
# shellcheck source=tests/e2e/wine_lib.sh
. "$root/tests/e2e/wine_lib.sh"

export WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

# A wineserver left from an earlier run of a prefix here goes with it.
for old in "$work"/*/wineprefix "$work/template/wineprefix"; do
    [ -d "$old" ] && WINEPREFIX="$old" wineserver -k 2>/dev/null
done
rm -rf "$work"
mkdir -p "$work/template" || fail "cannot make $work"
work="$(cd "$work" && pwd)"

echo "--- medium: $work/medium"
"$root/samples/build-medium" "$work/medium" >/dev/null || fail "samples/build-medium failed"
cp "$setup_exe" "$work/medium/SETUP.EXE" && cp "$machine_facts" "$work/medium/machine_facts.exe" ||
    fail "cannot copy the programs to the medium"

echo "--- Wine prefix and simulated drives of every run: $work/template"
export WINEPREFIX="$work/template/wineprefix"
e2e_new_prefix
e2e_map_medium "$work/medium"
e2e_machine_file "$work/machine.ini"
sed 's/^/    /' "$work/machine.ini"
e2e_mirror_drive_c "$work/template/simroot/c"
wineserver -k 2>/dev/null
sleep 1

# fresh RUNDIR: a copy of the template prefix (medium mapped, one persistent wineserver) and drives.
fresh() {
    mkdir -p "$1"
    cp -a "$work/template/wineprefix" "$1/wineprefix" && cp -a "$work/template/simroot" "$1/simroot" ||
        fail "cannot copy the template to $1"
    export WINEPREFIX="$1/wineprefix"
    e2e_map_medium "$work/medium"
}

failed=0
for session in "${sessions[@]}"; do
    name="$(basename "$session" .txt)"
    run="$work/$name"
    echo "=== session $name"
    fresh "$run"
    "$setupcheck" simulate "$work/medium" --session "$session" --machine "$work/machine.ini" \
        --root "$run/simroot" --in-place --report "$run/simulated.json" || fail "setupcheck simulate failed"
    (cd "$work/medium" && timeout 300 "$wine" 'E:\SETUP.EXE' /S "/SESSION=$(winepath -w "$session")" \
        "/LOG=$(winepath -w "$run/log.json")") >"$run/setup.out" 2>"$run/setup.err"
    status=$?
    echo "    SETUP.EXE /S ended with status $status"
    e2e_wait_for_started_programs
    if [ ! -f "$run/log.json" ]; then
        cat "$run/setup.err"
        echo "DIFF  $name: no log written"
        failed=1
    elif ! python3 - "$run/log.json" "$status" <<'PY'
import json, sys
log = json.load(open(sys.argv[1], encoding="utf-8"))
if log.get("exit") != int(sys.argv[2]):
    print("DIFF  exit status %s, the log says %s" % (sys.argv[2], log.get("exit")))
    sys.exit(1)
PY
    then
        failed=1
    elif TS_SIM_ROOT="$run/simroot" python3 "$root/tests/e2e/compare_runs.py" "$run/simulated.json" \
        "$run/log.json" "$WINEPREFIX" "$wine" | sed 's/^/    /'; [ "${PIPESTATUS[0]}" -ne 0 ]; then
        failed=1
    else
        wineserver -k 2>/dev/null
        rm -rf "$run/wineprefix" "$run/simroot"
        continue
    fi
    echo "    (kept in $run)"
    wineserver -k 2>/dev/null
done

echo "=== killed run"
run="$work/killed"
fresh "$run"
# A medium whose first package ends in a large item, so the run can be ended while it extracts it.
cp -a "$work/medium" "$run/medium" && head -c 200000000 /dev/urandom >"$run/ZZBIG.BIN" &&
    (cd "$run" && zip -q -0 -P 'pluvermak_*&!' "$run/medium/THMSDE.DAT" ZZBIG.BIN) && rm -f "$run/ZZBIG.BIN" ||
    fail "cannot make the large package"
rm -f "$WINEPREFIX/dosdevices/e:" && ln -s "$run/medium" "$WINEPREFIX/dosdevices/e:"
install_session="$root/samples/sessions/install.txt"
(cd "$run/medium" && exec "$wine" 'E:\SETUP.EXE' /S "/SESSION=$(winepath -w "$install_session")" \
    "/LOG=$(winepath -w "$run/log.json")") >"$run/setup.out" 2>&1 &
setup_pid=$!
killed=0
for _ in $(seq 1200); do
    if grep -q 'THCW_LOG.LDF' "$run/log.json.journal" 2>/dev/null; then
        # The program itself first (a client can outlive its killed wineserver), then the rest of the prefix.
        kill -9 "$setup_pid" 2>/dev/null
        wineserver -k9 2>/dev/null
        killed=1
        break
    fi
    kill -0 "$setup_pid" 2>/dev/null || break
    sleep 0.05
done
wait "$setup_pid" 2>/dev/null
if [ "$killed" -ne 1 ]; then
    echo "DIFF  killed run: the copy stage was not reached or ended before it could be stopped"
    failed=1
elif [ -f "$run/log.json" ]; then
    echo "DIFF  killed run: the log was written, so the run was not stopped in the copy stage"
    failed=1
elif ! python3 - "$run/log.json.journal" "$WINEPREFIX/drive_c" <<'PY'
import json, os, sys, zlib
journal, drive_c = sys.argv[1], sys.argv[2]
lines = open(journal, "rb").read().decode("utf-8").split("\n")
files = {}
for line in lines[:-1]:  # the last piece after the final line break may be cut short
    change = json.loads(line)
    if change["kind"] == "file":
        files[change["path"].casefold()] = change
    elif change["kind"] == "deleted":
        files.pop(change["path"].casefold(), None)
problems = 0
base = os.path.join(drive_c, "TianHeng")
seen = 0
for folder, _, names in os.walk(base):
    for name in names:
        host = os.path.join(folder, name)
        windows = "C:\\" + os.path.relpath(host, drive_c).replace("/", "\\")
        if name == "ZZBIG.BIN":
            continue  # the item being written when the run was ended
        seen += 1
        change = files.get(windows.casefold())
        data = open(host, "rb").read()
        if change is None:
            print("DIFF  killed run: %s is on the prefix but not in the journal" % windows)
            problems += 1
        elif change["size"] != len(data) or change["crc32"] != "%08x" % (zlib.crc32(data) & 0xFFFFFFFF):
            print("DIFF  killed run: %s journalled as %d bytes %s, the prefix has %d bytes"
                  % (windows, change["size"], change["crc32"], len(data)))
            problems += 1
print("    killed run: %d journal lines, %d files on the prefix, all journalled: %s"
      % (len(lines) - 1, seen, "yes" if problems == 0 else "no"))
sys.exit(1 if problems or seen == 0 else 0)
PY
then
    failed=1
    echo "    (kept in $run)"
else
    rm -rf "$run"
fi
wineserver -k 2>/dev/null

if [ "$failed" -eq 0 ]; then
    rm -rf "$work/template"
    echo "install_compare: passed"
else
    echo "install_compare: FAILED (kept in $work)"
fi
exit "$failed"
