#!/usr/bin/env python3
"""Compares a simulated run of the setup with a run on a Wine prefix (see tests/e2e/install_compare.sh).

Every effect the simulation report lists under "changes" is looked up on the prefix: files (size and
CRC-32), deleted files, registry values (through `reg query` in the prefix) and shell links (through
`lnkinfo`). Then what both runs showed is compared: message boxes, the end, the steps, the busy texts,
the programs started, the wizard's results, the failures the stages noted and the links saved.

Usage: compare_runs.py [--robot] SIM_REPORT WINE_REPORT WINEPREFIX WINE_COMMAND
When WINE_REPORT is the log of SETUP.EXE /S (it has a "journal"), its "changes", taken from what the
setup did, are also compared with the simulation's entry for entry, and its exit status with the one the
simulated run earns.
With --robot, WINE_REPORT is the report of setupbot (SETUP.EXE in real windows): the effects are checked
the same way, and of what the runs showed only what the robot reads from the windows is compared.
WINE_COMMAND runs a Windows program in the prefix (cmake/wine-emulator.sh). TS_SIM_ROOT names the
simulated machine's drive folders (the --root of the simulation), where profile files are read to compare
their entries. Prints one line per check
that failed and a summary; exits 1 when anything differs, 2 when a report cannot be read.

compare_runs.py --mirror SOURCE TARGET LIMIT copies the prefix's drive_c for the simulated machine (see
mirror below).
"""
import json
import os
import re
import subprocess
import sys
import zlib

ROOT_NAMES = {"HKLM": "HKLM", "HKEY_LOCAL_MACHINE": "HKLM", "HKCU": "HKCU", "HKEY_CURRENT_USER": "HKCU",
              "HKCR": "HKCR", "HKEY_CLASSES_ROOT": "HKCR", "HKU": "HKU", "HKEY_USERS": "HKU"}


class Comparison:
    def __init__(self, prefix, wine):
        self.prefix = prefix
        self.wine = wine
        self.checked = 0
        self.differences = []
        self._keys = {}

    def differ(self, what):
        self.differences.append(what)
        print("DIFF  " + what)

    # --- Files: Windows paths on the prefix's drives, resolved letter case aside as Windows does ---

    def host_path(self, windows_path):
        if len(windows_path) < 3 or windows_path[1] != ":" or windows_path[2] != "\\":
            return None
        path = os.path.join(self.prefix, "dosdevices", windows_path[0].lower() + ":")
        for part in [p for p in windows_path[3:].split("\\") if p]:
            if not os.path.isdir(path):
                return None
            exact = os.path.join(path, part)
            if os.path.lexists(exact):
                path = exact
                continue
            folded = part.casefold()
            matches = [name for name in os.listdir(path) if name.casefold() == folded]
            if not matches:
                return None
            path = os.path.join(path, matches[0])
        return path

    def check_file(self, windows_path, expected, simulated_host=None):
        self.checked += 1
        host = self.host_path(windows_path)
        if host is None or not os.path.isfile(host):
            self.differ("file %s: missing on Wine" % windows_path)
            return
        with open(host, "rb") as f:
            data = f.read()
        crc = "%08x" % (zlib.crc32(data) & 0xFFFFFFFF)
        if len(data) == expected["size"] and crc == expected["crc32"]:
            return
        # Profile files written through the profile calls: Wine rewrites the whole file in a layout of its
        # own (no blank line between sections, keys in its own order), so their entries are compared.
        if windows_path.upper().endswith(".INI") and simulated_host and os.path.isfile(simulated_host):
            with open(simulated_host, "rb") as f:
                simulated = profile_entries(f.read())
            if simulated == profile_entries(data):
                return
            self.differ("profile %s: simulated entries %r; Wine %r" % (windows_path, simulated, profile_entries(data)))
            return
        self.differ("file %s: simulated %d bytes, CRC %s; Wine %d bytes, CRC %s"
                    % (windows_path, expected["size"], expected["crc32"], len(data), crc))

    def check_deleted(self, windows_path):
        self.checked += 1
        host = self.host_path(windows_path)
        if host is not None and os.path.lexists(host):
            self.differ("deleted file %s: still present on Wine" % windows_path)

    # --- Registry: `reg query` in the prefix; its output is in the console code page (936 here) ---

    def reg_query(self, key, *options):
        result = subprocess.run(self.wine + ["reg", "query", key] + list(options), capture_output=True)
        text = result.stdout.decode("gbk", errors="replace").replace("\r", "")
        return result.returncode, text

    def key_values(self, key):
        """The key's values as name (lower case) -> (type, data), or None when the key does not exist."""
        if key in self._keys:
            return self._keys[key]
        code, text = self.reg_query(key)
        values = None
        if code == 0:
            values = {}
            for line in text.split("\n"):
                m = re.match(r"^    (.*?)    (REG_[A-Z_]+)(?:    (.*))?$", line)
                if m:
                    values[m.group(1).lower()] = (m.group(2), m.group(3) or "")
            # The default value: `reg query /ve` names it in the local language, so ask for it alone.
            code, text = self.reg_query(key, "/ve")
            for line in text.split("\n"):
                m = re.match(r"^    (.*?)    (REG_[A-Z_]+)(?:    (.*))?$", line)
                if code == 0 and m:
                    values[""] = (m.group(2), m.group(3) or "")
        self._keys[key] = values
        return values

    @staticmethod
    def as_reg_query(data):
        """The simulation's data as `reg query` prints it, and the type name, or None for any string."""
        m = re.match(r"^@(\d+):([0-9a-f]*)$", data)
        if not m:
            return None, data
        kind, raw = int(m.group(1)), bytes.fromhex(m.group(2))
        if kind in (4, 11) and len(raw) in (4, 8):
            return ("REG_DWORD" if kind == 4 else "REG_QWORD"), "0x%x" % int.from_bytes(raw, "little")
        if kind == 7:
            items = raw.decode("gbk", errors="replace").rstrip("\0").split("\0")
            return "REG_MULTI_SZ", "\\0".join(items)
        if kind == 3:
            return "REG_BINARY", raw.hex().upper()
        return "type %d" % kind, raw.hex().upper()

    def check_registry(self, key, values):
        name = key.split("\\", 1)
        query_key = ROOT_NAMES.get(name[0].upper(), name[0]) + ("\\" + name[1] if len(name) > 1 else "")
        actual = self.key_values(query_key)
        if values is None:
            self.checked += 1
            if actual is not None:
                self.differ("registry %s: deleted in the simulation, present on Wine" % key)
            return
        if actual is None:
            self.checked += max(1, len(values))
            self.differ("registry %s: key missing on Wine" % key)
            return
        if not values:
            self.checked += 1
        for value_name, data in values.items():
            self.checked += 1
            label = "registry %s|%s" % (key, value_name)
            found = actual.get(value_name.lower())
            if data is None:
                if found is not None:
                    self.differ("%s: deleted in the simulation, Wine has %s %r" % (label, found[0], found[1]))
                continue
            if found is None:
                self.differ("%s: missing on Wine (simulated %r)" % (label, data))
                continue
            kind, text = self.as_reg_query(data)
            if kind is None and found[0] not in ("REG_SZ", "REG_EXPAND_SZ"):
                self.differ("%s: simulated a string %r, Wine has %s %r" % (label, text, found[0], found[1]))
            elif kind is not None and found[0] != kind:
                self.differ("%s: simulated %s %s, Wine has %s %r" % (label, kind, text, found[0], found[1]))
            elif found[1] != text:
                self.differ("%s: simulated %r, Wine has %r" % (label, text, found[1]))

    # --- Shell links: read back with lnkinfo ---

    def check_link(self, windows_path, expected):
        self.checked += 1
        host = self.host_path(windows_path)
        if host is None or not os.path.isfile(host):
            self.differ("link %s: missing on Wine" % windows_path)
            return
        result = subprocess.run(["lnkinfo", "-c", "windows-936", host], capture_output=True)
        fields = {}
        for line in result.stdout.decode("utf-8", errors="replace").split("\n"):
            m = re.match(r"^\s*([A-Za-z][A-Za-z ]*?)\s*:\s(.*)$", line)
            if m and m.group(1) not in fields:
                fields[m.group(1)] = m.group(2)
        if result.returncode != 0:
            self.differ("link %s: lnkinfo cannot read it" % windows_path)
            return
        actual = {"target": fields.get("Local path", ""), "workdir": fields.get("Working directory", ""),
                  "description": fields.get("Description", "")}
        for field in ("target", "workdir", "description"):
            if actual[field] != expected.get(field, ""):
                self.differ("link %s: %s simulated %r, Wine %r" % (windows_path, field, expected.get(field, ""),
                                                                   actual[field]))

    # --- What the runs showed ---

    def same(self, what, simulated, real):
        self.checked += 1
        if simulated != real:
            self.differ("%s: simulated %s; Wine %s" % (what, json.dumps(simulated, ensure_ascii=False),
                                                       json.dumps(real, ensure_ascii=False)))

    def compare_robot(self, sim, bot):
        """What the UI robot read from the real windows against the simulation: the message boxes, how the
        run ended, the session lines left over and the wizard's pages, headers and choices."""
        self.compare_boxes(sim, bot)
        sim_end, bot_end = sim.get("end", {}), bot.get("end", {})
        self.same("end.kind", sim_end.get("kind"), bot_end.get("kind"))
        # A refused action is worded by each driver; the exception box's text is the program's own.
        if sim_end.get("kind") == "error":
            self.same("end.message", sim_end.get("message"), bot_end.get("message"))
        self.same("unused", sim.get("unused", []), bot.get("unused", []))
        for field in ("result", "pages", "shown", "mode", "products", "instance", "summary", "pathlist"):
            self.same("wizard." + field, sim.get("wizard", {}).get(field), bot.get("wizard", {}).get(field))

    def compare_boxes(self, sim, wine):
        sim_boxes, wine_boxes = sim.get("messages", []), wine.get("messages", [])
        if len(sim_boxes) != len(wine_boxes):
            self.checked += 1
            self.differ("message boxes: %d simulated, %d on Wine" % (len(sim_boxes), len(wine_boxes)))
        for i in range(max(len(sim_boxes), len(wine_boxes))):
            self.same("message box %d" % (i + 1), sim_boxes[i] if i < len(sim_boxes) else None,
                      wine_boxes[i] if i < len(wine_boxes) else None)

    def compare_logged_changes(self, sim, log):
        """The unattended log's "changes" against the simulation's, entry for entry: the same files with the
        same size and CRC-32 (profile files, which Wine lays out its own way, and links, which Wine's link
        object writes differently, must match the prefix's file instead), the same deleted files, registry
        values and links. Names compare without regard to letter case, as on Windows."""
        fold = lambda d: {k.casefold(): (k, v) for k, v in d.items()}
        sim_c, log_c = sim.get("changes", {}), log.get("changes", {})
        links = fold(sim_c.get("links", {}))
        sim_files, log_files = fold(sim_c.get("files", {})), fold(log_c.get("files", {}))
        for key in sorted(set(sim_files) | set(log_files)):
            self.checked += 1
            name = (sim_files.get(key) or log_files.get(key))[0]
            if key not in log_files:
                self.differ("log: file %s simulated, not in the log" % name)
                continue
            if key not in sim_files:
                self.differ("log: file %s in the log, not simulated" % name)
                continue
            simulated, logged = sim_files[key][1], log_files[key][1]
            if simulated == logged:
                continue
            if key in links or key.endswith(".ini"):
                host = self.host_path(name)
                data = open(host, "rb").read() if host and os.path.isfile(host) else b""
                actual = {"size": len(data), "crc32": "%08x" % (zlib.crc32(data) & 0xFFFFFFFF)}
                if logged == actual:
                    continue
                self.differ("log: file %s logged %r, on Wine %r" % (name, logged, actual))
                continue
            self.differ("log: file %s simulated %r, logged %r" % (name, simulated, logged))
        self.same("log: deleted", sorted(p.casefold() for p in sim_c.get("deleted", [])),
                  sorted(p.casefold() for p in log_c.get("deleted", [])))
        norm = lambda reg: {k.casefold(): (None if v is None else {n.casefold(): d for n, d in v.items()})
                            for k, v in reg.items()}
        self.same("log: registry", norm(sim_c.get("registry", {})), norm(log_c.get("registry", {})))
        self.same("log: links", {k.casefold(): v for k, v in sim_c.get("links", {}).items()},
                  {k.casefold(): v for k, v in log_c.get("links", {}).items()})
        self.same("log: exit status", expected_exit(sim), log.get("exit"))

    def compare_shown(self, sim, wine):
        self.compare_boxes(sim, wine)
        self.same("end", sim.get("end"), wine.get("end"))
        for field in ("steps", "prompt", "busy", "launched", "failures", "unused"):
            self.same(field, sim.get(field), wine.get(field))
        for field in ("result", "pages", "shown", "mode", "products", "modules", "paths", "instance", "summary",
                      "pathlist"):
            self.same("wizard." + field, sim.get("wizard", {}).get(field), wine.get("wizard", {}).get(field))
        self.same("links saved", sorted(sim.get("changes", {}).get("links", {})),
                  sorted(wine.get("changes", {}).get("links", {})))


def expected_exit(report):
    """SETUP.EXE /S's exit status for a run that ended as the report says: 0 installed, 1 failed, 2 refused
    input, 3 cancelled or never confirmed."""
    end = report.get("end", {}).get("kind")
    if end == "error":
        return 1
    if end == "session":
        return 3
    wizard = report.get("wizard", {})
    if not wizard.get("shown"):
        return 1
    if wizard.get("result", 0) == 0:
        return 3
    return 0 if report.get("steps", [])[-1:] == [5] else 1


def profile_entries(data):
    """A profile file's entries as {section: {key: value}}, names without regard to letter case."""
    entries, section = {}, None
    for line in data.decode("gbk", errors="replace").replace("\r", "").split("\n"):
        line = line.strip()
        if line.startswith("[") and "]" in line:
            section = entries.setdefault(line[1:line.index("]")].strip().lower(), {})
        elif section is not None and "=" in line and not line.startswith(";"):
            key, value = line.split("=", 1)
            section.setdefault(key.strip().lower(), value.strip())
    return entries


def mirror(source, target, limit):
    """Copies the folder tree source to target for the simulated machine: files up to limit bytes with
    their contents, larger ones as empty files of the same names, folder links as empty folders (the
    prefix links the user's Desktop and Documents to the host's home)."""
    os.makedirs(target, exist_ok=True)
    for name in os.listdir(source):
        src, dst = os.path.join(source, name), os.path.join(target, name)
        if os.path.isdir(src):
            if os.path.islink(src):
                os.makedirs(dst, exist_ok=True)
            else:
                mirror(src, dst, limit)
        elif os.path.isfile(src):
            if os.path.getsize(src) <= limit:
                with open(src, "rb") as f, open(dst, "wb") as g:
                    g.write(f.read())
            else:
                open(dst, "wb").close()


def simulated_host(sim_root, windows_path):
    """The simulated machine's host file for a Windows path (drive folders c/, d/ ... below sim_root),
    letter case aside; None when there is no such file."""
    if not sim_root or len(windows_path) < 3 or windows_path[1] != ":":
        return None
    path = os.path.join(sim_root, windows_path[0].lower())
    for part in [p for p in windows_path[3:].split("\\") if p]:
        if not os.path.isdir(path):
            return None
        matches = [n for n in os.listdir(path) if n.casefold() == part.casefold()]
        if not matches:
            return None
        path = os.path.join(path, matches[0])
    return path


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "--mirror":
        mirror(sys.argv[2], sys.argv[3], int(sys.argv[4]))
        return 0
    args = sys.argv[1:]
    robot = bool(args) and args[0] == "--robot"
    if robot:
        args = args[1:]
    if len(args) < 4:
        print(__doc__)
        return 2
    try:
        with open(args[0], encoding="utf-8") as f:
            sim = json.load(f)
        with open(args[1], encoding="utf-8") as f:
            wine = json.load(f)
    except (OSError, ValueError) as e:
        print("compare_runs: %s" % e)
        return 2
    c = Comparison(args[2], args[3:])
    sim_root = os.environ.get("TS_SIM_ROOT", "")
    changes = sim.get("changes", {})
    links = changes.get("links", {})
    for path, file in sorted(changes.get("files", {}).items()):
        # Shell links are read back with lnkinfo below: Wine's link object writes more than the target,
        # working directory and description the simulation writes.
        if path in links:
            continue
        c.check_file(path, file, simulated_host(sim_root, path))
    for path in changes.get("deleted", []):
        c.check_deleted(path)
    for key, values in sorted(changes.get("registry", {}).items()):
        c.check_registry(key, values)
    for path, link in sorted(changes.get("links", {}).items()):
        c.check_link(path, link)
    effects = c.checked
    print("effects of the simulation checked on Wine: %d (%d files, %d deleted, %d registry keys, %d links)"
          % (effects, len(changes.get("files", {})), len(changes.get("deleted", [])),
             len(changes.get("registry", {})), len(changes.get("links", {}))))
    if robot:
        c.compare_robot(sim, wine)
    else:
        c.compare_shown(sim, wine)
        if "journal" in wine:
            c.compare_logged_changes(sim, wine)
    print("things the runs showed, compared: %d (%d message boxes simulated, %d on Wine)"
          % (c.checked - effects, len(sim.get("messages", [])), len(wine.get("messages", []))))
    if c.differences:
        print("%d differences between the simulation and Wine" % len(c.differences))
        return 1
    print("no differences between the simulation and Wine")
    return 0


if __name__ == "__main__":
    sys.exit(main())
