#!/bin/bash
# Smoke check of the setupcheck binary: simulates a small medium, checks that the report is
# valid JSON with the expected ending and steps, and that bad arguments exit with 2.
# Usage: setupcheck_smoke.sh PATH/TO/setupcheck
set -euo pipefail
tool=${1:?usage: setupcheck_smoke.sh PATH/TO/setupcheck}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/medium"
# The description in GBK, as on a real medium.
printf '[InstallMode]\r\nMode1=完全安装,0,全部\r\n[Default MainPath]\r\nMainPath1=C:\\Shop\r\n[Products Name]\r\nProductName1=商店,1,0,ShopKey\r\n[Product1Mode1]\r\nName1=Client,1,,,1,a.dat,\r\n' |
    iconv -f UTF-8 -t GBK > "$work/medium/SETUP.INI"
(cd "$work" && echo package > readme.txt && zip -q medium/a.dat readme.txt)
printf '[Additional Programs]\r\n' > "$work/medium/CONFIG.INI"
printf '[Product1Ins1Mod1]\r\nName=Client\r\n' > "$work/medium/COMMENT.INI"

check() {  # check REPORT PYTHON-EXPRESSION
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1], encoding="utf-8")); assert eval(sys.argv[2]), (sys.argv[2], r)' "$1" "$2"
}

# Through the wizard: Next, accept the licence, Next to the modes, past the path page and the summary
# (the lead module is no database engine, so the instance page is skipped), then install.
printf 'click BitBtn2\nclick RadioButton1\nclick BitBtn2\nclick BitBtn2\nclick BitBtn2\nclick BitBtn2\nclick BitBtn2\nclick BitBtn2\n' > "$work/install.txt"
"$tool" simulate "$work/medium" --session "$work/install.txt" --report "$work/install.json"
check "$work/install.json" 'r["end"]["kind"] == "closed" and r["steps"] == [1, 2, 3, 4, 5] and r["wizard"]["result"] == 1 and r["wizard"]["pages"] == [1, 2, 3, 4, 5, 7, 8, 9]'

printf 'click BitBtn1\nanswer ok\n' > "$work/cancel.txt"
"$tool" simulate "$work/medium" --session "$work/cancel.txt" > "$work/cancel.json"
check "$work/cancel.json" 'r["end"]["kind"] == "closed" and r["messages"][0]["caption"] == "提示！" and r["messages"][0]["by"] == "session"'

"$tool" simulate "$work/medium" > "$work/empty.json"
check "$work/empty.json" 'r["end"]["kind"] == "session"'

status=0
"$tool" simulate "$work/medium" --bogus 2>/dev/null || status=$?
[ "$status" = 2 ] || { echo "bad option: exit $status, expected 2"; exit 1; }
echo "setupcheck smoke: ok"
