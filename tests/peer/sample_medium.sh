#!/bin/bash
# The sample medium (samples/): builds it twice into WORKDIR (the second build must give the same medium),
# checks the packages with Info-ZIP unzip, checks the description against the format's rules and limits,
# validates it with setupcheck validate (no error, no warning),
# and simulates the setup on it with the cancel session: the description loads without a message, the
# prompt window has one mark per mode and product (plus the two dialogs), and nothing is changed.
# Usage: sample_medium.sh PATH/TO/setupcheck WORKDIR
set -euo pipefail
tool=${1:?usage: sample_medium.sh PATH/TO/setupcheck WORKDIR}
work=${2:?usage: sample_medium.sh PATH/TO/setupcheck WORKDIR}
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
samples="$root/samples"
medium="$work/medium"
password='pluvermak_*&!'

rm -rf "$work"
mkdir -p "$work"

# --- build, twice -------------------------------------------------------------------------------------
"$samples/build-medium" "$medium" >/dev/null
listing() { (cd "$medium" && for f in *; do printf '%s ' "$f"; case "$f" in *.DAT) unzip -Z1 "$f" | tr '\n' ' ';; *) cksum <"$f";; esac; echo; done); }
listing >"$work/first.txt"
touch "$medium/STALE.DAT"
"$samples/build-medium" "$medium" >/dev/null
listing >"$work/second.txt"
diff -u "$work/first.txt" "$work/second.txt" || { echo "a second build gave another medium"; exit 1; }

# --- packages: each opens with the password and holds exactly its source folder -----------------------
for dir in "$samples"/medium-src/packages/*/; do
    name="$(basename "$dir")"
    package="$medium/$name.DAT"
    unzip -tqq -P "$password" "$package" >/dev/null || { echo "$name.DAT does not test with the password"; exit 1; }
    unzip -tqq -P wrong "$package" >/dev/null 2>&1 && { echo "$name.DAT opens without the password"; exit 1; }
    expected="$(cd "$dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
    [ "$(unzip -Z1 "$package")" = "$expected" ] || { echo "$name.DAT: items differ from $dir"; exit 1; }
    mkdir -p "$work/x/$name"
    unzip -qq -P "$password" "$package" -d "$work/x/$name"
    diff -r "$dir" "$work/x/$name" >/dev/null || { echo "$name.DAT: extracted bytes differ from $dir"; exit 1; }
done

# --- the description -----------------------------------------------------------------------------------
# Reads the three files as the setup does (names in any letter case; a section or key given twice is a
# problem) and prints the facts the simulation is checked against as JSON.
python3 - "$medium" "$work/x" >"$work/facts.json" <<'PY'
import json, os, re, sys

medium, extracted = sys.argv[1], sys.argv[2]
problems = []

def problem(text):
    problems.append(text)

def load(name, ini=True):
    data = open(os.path.join(medium, name), "rb").read()
    if re.search(rb"(?<!\r)\n", data) or re.search(rb"\r(?!\n)", data) or not data.endswith(b"\r\n"):
        problem(f"{name}: every line must end in CR LF")
    # Double-byte characters whose second byte reads as ASCII punctuation mislead byte-wise searches:
    # '@' turns off the macros, '\' splits paths, '[' ']' end section names, '_' fakes macro names.
    i = 0
    while i < len(data):
        if 0x81 <= data[i] <= 0xFE and i + 1 < len(data):
            if chr(data[i + 1]) in "@[\\]_|":
                problem(f"{name}: the character {data[i:i+2].decode('gbk', 'replace')} has a second byte {chr(data[i+1])!r}")
            i += 2
        else:
            i += 1
    try:
        text = data.decode("gbk")
    except UnicodeDecodeError as e:
        problem(f"{name}: not GBK ({e})")
        text = data.decode("gbk", "replace")
    if not ini:
        return None
    sections = {}
    current = None
    for line in text.split("\r\n"):
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and "]" in line:
            key = line[1:line.rindex("]")].strip().upper()
            if key in sections:
                problem(f"{name}: section [{key}] given twice; only the first is read")
            current = sections.setdefault(key, {})
            continue
        if current is None or "=" not in line:
            problem(f"{name}: stray line {line!r}")
            continue
        k, v = (s.strip() for s in line.split("=", 1))
        if k.upper() in current:
            problem(f"{name}: key {k} given twice in one section")
        current.setdefault(k.upper(), v)
    return sections

def numbered(sections, section, word, capacity, name):
    """Values of word1, word2, ... of a section up to the first missing one; a later number is a gap."""
    keys = sections.get(section.upper(), {})
    values = []
    while keys.get(f"{word}{len(values) + 1}".upper(), ""):
        values.append(keys[f"{word}{len(values) + 1}".upper()])
    pattern = re.compile(re.escape(word.upper()) + r"(\d+)$")
    for k in keys:
        m = pattern.match(k)
        if m and int(m.group(1)) > len(values):
            problem(f"{name} [{section}]: {word}{m.group(1)} follows a gap and would not be read")
    if len(values) > capacity:
        problem(f"{name} [{section}]: {len(values)} {word} keys, more than {capacity}")
    return values

def fields(value, count):
    """The first count-1 comma-separated fields and the rest."""
    parts = value.split(",", count - 1)
    if len(parts) < count:
        problem(f"value {value!r} has fewer than {count} fields")
        parts += [""] * (count - len(parts))
    return parts

def check_text(where, text, products):
    if len(text.encode("gbk", "replace")) > 255:
        problem(f"{where}: longer than 255 bytes")
    if "@" in text:
        problem(f"{where}: holds '@', which turns off the macros")
    for d in re.findall(r"_MAINPATH_(.?)", text, re.I):
        if not d.isdigit() or not 1 <= int(d) <= products:
            problem(f"{where}: _MAINPATH_ names no product ({d!r})")

def picture_size(path):
    data = open(path, "rb").read()
    if data[:2] == b"BM":
        return int.from_bytes(data[18:22], "little"), abs(int.from_bytes(data[22:26], "little", signed=True))
    at = 2
    while at + 9 < len(data) and data[at] == 0xFF:
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            return int.from_bytes(data[at + 7:at + 9], "big"), int.from_bytes(data[at + 5:at + 7], "big")
        at += 2 + length
    return None

setup, config, comment = load("SETUP.INI"), load("CONFIG.INI"), load("COMMENT.INI")
files = {f.upper(): f for f in os.listdir(medium)}

if len(setup.get("LOGININFO", {})) > 20:
    problem("SETUP.INI [LoginInfo]: more than 20 keys")
modes = [fields(v, 3) for v in numbered(setup, "InstallMode", "Mode", 10, "SETUP.INI")]
products = [fields(v, 4) for v in numbered(setup, "Products Name", "ProductName", 10, "SETUP.INI")]
default_paths = setup.get("DEFAULT MAINPATH", {})
instance = default_paths.get("DEFAULTMSDE", "TESSARERP")
if not re.fullmatch(r"[0-9A-Za-z]+", instance):
    problem(f"DefaultMSDE {instance!r} would be refused by the instance checks")
paths = [default_paths.get(f"MAINPATH{p + 1}", "") for p in range(len(products))]
for p, path in enumerate(paths):
    if not re.match(r"[A-Za-z]:\\", path) or path.endswith("\\") or len(path) > 255:
        problem(f"MainPath{p + 1} {path!r} is not an absolute folder path")

# Files each product installs (upper case, relative to its MainPath), over all modes.
installs = [set() for _ in products]
states = []  # per product: module states of mode 1
for m in range(len(modes)):
    for p, (pname, count, option, regkey) in enumerate(products):
        count = int(re.match(r"\s*(\d*)", count).group(1) or 0)
        if not 1 <= count <= 30:
            problem(f"product {pname}: ModuleCount {count}")
        if option.strip() not in ("0", "1", "2"):
            problem(f"product {pname}: ModuleOption {option!r}")
        section = f"Product{p + 1}Mode{m + 1}"
        entries = numbered(setup, section, "Name", 30, "SETUP.INI")
        if len(entries) != count:
            problem(f"[{section}]: {len(entries)} modules, the product declares {count}")
        mode_states = []
        for k, entry in enumerate(entries):
            name, state, picture, _, rest = fields(entry, 5)
            mode_states.append(int(state))
            if state not in ("0", "1", "2", "3"):
                problem(f"[{section}] {name}: State {state!r}")
            if picture.upper() not in files:
                problem(f"[{section}] {name}: picture {picture} is not on the medium")
            declared, _, rest = rest.partition(",")
            listed = rest.split(",")
            if int(declared) < 1 or int(declared) > 30 or len(listed) != 2 * int(declared):
                problem(f"[{section}] {name}: {declared} packages declared, {len(listed)} fields listed")
            for package, directory in zip(listed[0::2], listed[1::2]):
                if package.upper() not in files:
                    problem(f"[{section}] {name}: package {package} is not on the medium")
                if "_MSDE_" in directory or directory.startswith("\\") or directory.endswith("\\"):
                    problem(f"[{section}] {name}: directory {directory!r}")
                source = os.path.join(extracted, os.path.splitext(package)[0])
                for base, _, items in os.walk(source):
                    for item in items:
                        relative = os.path.relpath(os.path.join(base, item), source).replace("/", "\\")
                        installs[p].add((directory + "\\" + relative if directory else relative).upper())
            titled = comment.get(f"PRODUCT{p + 1}INS{m + 1}MOD{k + 1}", {}).get("NAME", "")
            if not titled:
                problem(f"COMMENT.INI: no title for {name} (Product{p + 1}Ins{m + 1}Mod{k + 1})")
            numbered(comment, f"Product{p + 1}Ins{m + 1}Mod{k + 1}", "Comm", 11, "COMMENT.INI")
        if m == 0:
            states.append(mode_states)
        if option.strip() != "0" and any(not fields(e, 2)[0] for e in entries):
            problem(f"[{section}]: an unnamed module breaks the module dialog")

lead_modules = [(setup.get(f"PRODUCT1MODE{m + 1}", {}).get("NAME1", "") + ",").split(",")[0] for m in range(len(modes))]
msde_modes = [m for m, name in enumerate(lead_modules) if "MSDE" in name]
if not products:
    problem("SETUP.INI: no products")
if not msde_modes or len(msde_modes) == len(modes):
    problem("the sample wants one mode led by an MSDE module and one without")

for i, entry in enumerate(numbered(setup, "Public Module", "Name", 30, "SETUP.INI"), 1):
    number, directory, package, _ = fields(entry, 4)
    if not 1 <= int(number) <= len(products):
        problem(f"public module {i}: product {number}")
    if package.upper() not in files:
        problem(f"public module {i}: package {package} is not on the medium")
    if not re.match(r"([A-Za-z]:\\|_WIN_|_WINSYS_)", directory, re.I):
        problem(f"public module {i}: directory {directory!r} is not absolute")

for i, entry in enumerate(numbered(setup, "ShortCut", "Name", 255, "SETUP.INI"), 1):
    number, target, group, link = fields(entry, 4)
    check_text(f"shortcut {i}", target, len(products))
    prefix = f"_MAINPATH_{number}\\"
    if not 1 <= int(number) <= len(products):
        problem(f"shortcut {i}: product {number}")
    elif not target.upper().startswith(prefix):
        problem(f"shortcut {i}: target {target!r} does not start with {prefix}")
    elif target[len(prefix):].upper() not in installs[int(number) - 1]:
        problem(f"shortcut {i}: no package of product {number} installs {target[len(prefix):]}")
    if not link or re.search(r'[\\/:*?"<>|]', link):
        problem(f"shortcut {i}: link name {link!r}")

configs = config.get("CONFIG", {})
for p in range(len(products)):
    for word, capacity in (("ProductIni", 10), ("ProductReg", 10)):
        value = configs.get(f"{word}{p + 1}".upper(), "")
        if not value:
            continue
        count, *names = value.split(",")
        if len(names) != int(count) or int(count) > capacity:
            problem(f"{word}{p + 1}: {count} sections declared, {len(names)} named")
        for name in names:
            section = config.get(name.upper())
            if section is None:
                problem(f"{word}{p + 1}: no section [{name}]")
                continue
            entries = numbered(config, name, "Name", 100, "CONFIG.INI")
            if word == "ProductIni":
                if not section.get("PATH") or not section.get("FILENAME"):
                    problem(f"[{name}]: Path and FileName are needed")
                check_text(f"[{name}] Path", section.get("PATH", "") + "\\" + section.get("FILENAME", ""), len(products))
                for e in entries:
                    check_text(f"[{name}] {e}", e, len(products))
                    fields(e, 3)
            else:
                if not section.get("ROOT", "").startswith("\\"):
                    problem(f"[{name}]: Root should start with a backslash")
                for e in entries:
                    check_text(f"[{name}] {e}", e, len(products))
                    fields(e, 2)
for word in ("ProductBat", "ProductCfg"):
    named = [bool(configs.get(f"{word}{p + 1}".upper(), "")) for p in range(len(products))]
    if False in named and any(named[named.index(False):]):
        problem(f"{word}: a product without lines before one with lines ends the reading early")
    for p, has in enumerate(named):
        if has:
            for line in numbered(config, configs[f"{word}{p + 1}".upper()], "Name", 100, "CONFIG.INI"):
                check_text(f"{word}{p + 1} {line}", line, len(products))
for line in numbered(config, "Service Runonce", "Name", 10, "CONFIG.INI"):
    check_text(f"RunOnce {line}", line, len(products))
for line in numbered(config, "Additional Programs", "Name", 100, "CONFIG.INI"):
    check_text(f"additional program {line}", line, len(products))
    if "," not in line:
        problem(f"additional program {line!r} has no caption")

for name, size in (("setup1024.JPG", (1024, 768)), ("setup800.JPG", (800, 600))):
    if name.upper() not in files:
        problem(f"{name} is missing")
    elif picture_size(os.path.join(medium, files[name.upper()])) != size:
        problem(f"{name} is not {size[0]}x{size[1]}")
for name in files.values():
    if name.upper().endswith((".JPG", ".BMP")) and not picture_size(os.path.join(medium, name)):
        problem(f"{name} is no JPEG or BMP picture")
for name in ("License.TXT", "Readme.TXT"):
    if name.upper() not in files:
        problem(f"{name} is missing")
    else:
        load(name, ini=False)

if problems:
    print("\n".join(problems), file=sys.stderr)
    sys.exit(1)
print(json.dumps({"modes": len(modes), "products": len(products), "paths": paths,
                  "instance": instance, "states": states}))
PY

# --- setupcheck validate: no error and no warning ---------------------------------------------------------
"$tool" validate "$medium" >"$work/validate.txt" || { cat "$work/validate.txt"; echo "the sample medium does not validate"; exit 1; }
[ "$(cat "$work/validate.txt")" = "0 errors, 0 warnings" ] || { cat "$work/validate.txt"; echo "the sample medium has warnings"; exit 1; }

# --- simulation: the wizard cancelled ------------------------------------------------------------------
"$tool" simulate "$medium" --session "$samples/sessions/cancel.txt" --report "$work/cancel.json"
python3 - "$work/cancel.json" "$work/facts.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
facts = json.load(open(sys.argv[2]))
failures = []
def expect(what, got, wanted):
    if got != wanted:
        failures.append(f"{what}: {got!r}, expected {wanted!r}")

expect("end", r["end"]["kind"], "closed")
# The only box is the cancel question: a missing file or a short package list would come first.
expect("message captions", [m["caption"] for m in r["messages"]], ["提示！"])
expect("answered by", [m["by"] for m in r["messages"]], ["session"])
expect("steps", r["steps"], [1])
expect("prompt", r["prompt"], "■" * (2 + facts["modes"] + facts["products"]))
expect("wizard result", r["wizard"]["result"], 0)
expect("products", r["wizard"]["products"], ["checked"] * facts["products"])
expect("paths", r["wizard"]["paths"], facts["paths"])
expect("instance", r["wizard"]["instance"], facts["instance"])
expect("module states", r["wizard"]["modules"], facts["states"])
expect("busy", r["busy"], [])
expect("launched", r["launched"], [])
expect("changes", r["changes"], {"files": {}, "deleted": [], "registry": {}, "links": {}})
expect("unused", r["unused"], [])
if failures:
    print("\n".join(failures))
    sys.exit(1)
PY
echo "sample medium: ok"
