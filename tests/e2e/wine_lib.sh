# Shell functions the end-to-end scripts share (sourced, not run): a Wine prefix with the medium on a CD-ROM
# drive E:, the machine file that makes the simulated machine look like that prefix, and the copy of its
# drive C: for the simulation. The caller sets WINEPREFIX, the usual Wine variables and $wine (the
# tree's cmake/wine-emulator.sh), and defines fail().

# e2e_reg_lines KEY: the key's string values as machine-file [Registry] lines (reg query prints code page 936).
e2e_reg_lines() {
    "$wine" reg query "$1" 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' |
        sed -n "s/^    \(.*\)    REG_\(SZ\|EXPAND_SZ\)    \(.*\)\$/\1=\3/p; s/^    \(.*\)    REG_\(SZ\|EXPAND_SZ\)\$/\1=/p" |
        sed "s/^/$(printf '%s' "$1" | sed 's/[\/&]/\\&/g')|/"
}

# e2e_new_prefix: makes $WINEPREFIX (wineboot) with E: declared a CD-ROM drive; E: itself is mapped by
# e2e_map_medium. Leaves no wineserver running.
e2e_new_prefix() {
    timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot failed or timed out"
    "$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d cdrom /f >/dev/null 2>&1 || fail "cannot make E: a CD-ROM"
    wineserver -k 2>/dev/null
    sleep 1
}

# e2e_map_medium MEDIUM: maps E: of $WINEPREFIX to the folder MEDIUM and starts one persistent wineserver
# for everything that follows. The drive types are read when the prefix's services start, hence after
# the mapping; and a new Wine session would run and delete the RunOnce values the setup wrote, so one
# server serves the run and the queries after it.
e2e_map_medium() {
    rm -f "$WINEPREFIX/dosdevices/e:"
    ln -s "$1" "$WINEPREFIX/dosdevices/e:" || fail "cannot map E:"
    wineserver -k 2>/dev/null
    sleep 1
    wineserver -p || fail "cannot start a persistent wineserver"
}

# e2e_machine_file OUT: the machine file of $WINEPREFIX as the port sees it from E:\machine_facts.exe (which
# must be on the medium), with the user's Shell Folders and the registered owner and organisation.
e2e_machine_file() {
    local facts
    facts="$(cd "$WINEPREFIX/dosdevices/e:/" && "$wine" 'E:\machine_facts.exe')" ||
        fail "machine_facts.exe failed"
    {
        printf '%s\n' "$facts"
        echo "[Registry]"
        e2e_reg_lines 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
        local key
        for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' 'HKLM\Software\Microsoft\Windows\CurrentVersion'; do
            e2e_reg_lines "$key" | grep -E '\|Registered(Owner|Organization)='
        done
        # Keys the setup writes below that a Windows installation already has, so that the simulation
        # does not count them as made by the setup.
        for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' \
            'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run'; do
            "$wine" reg query "$key" >/dev/null 2>&1 && printf '%s|\n' "$key"
        done
    } >"$1"
    grep -q '^SetupFolder=E:\\$' "$1" || fail "the medium is not the current directory E:\\ under Wine"
    grep -qi '|Programs=' "$1" || fail "no Programs folder among the Shell Folders"
}

# e2e_mirror_drive_c TARGET: the prefix's drive_c as it is now, for the simulated machine's C: (files above
# 64 KiB, Windows' own programs and libraries, stand as empty files of the same names).
e2e_mirror_drive_c() {
    python3 "$root/tests/e2e/compare_runs.py" --mirror "$WINEPREFIX/drive_c" "$1" 65536 ||
        fail "cannot copy drive_c for the simulation"
}

# e2e_wait_for_started_programs: programs the setup started (a batch file, Notepad) finish or are ended
# before the machine is read.
e2e_wait_for_started_programs() {
    local _
    for _ in $(seq "${1:-60}"); do
        pgrep -f -i 'notepad\.exe|cmd\.exe' >/dev/null 2>&1 || return 0
        sleep 1
    done
    pkill -f -i 'notepad\.exe' 2>/dev/null
    return 0
}
