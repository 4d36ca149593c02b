#!/usr/bin/env bash
# Screenshot check of the real-window backend: shows a sample window from the Windows tree's vcl_win32_tests
# under Wine and Xvfb, takes a screenshot and checks that something with many colours was drawn.
# Usage: tests/e2e/vcl_smoke.sh [build dir (default build/win64)] [screenshot (default <build>/vcl_smoke.png)]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build/win64}"
shot="${2:-$build/vcl_smoke.png}"
exe="$build/tests/vcl_win32_tests.exe"
[ -f "$exe" ] || { echo "no $exe: build the Windows tree first"; exit 1; }

export WINEPREFIX="${WINEPREFIX:-$build/smoke-wineprefix}"
export WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
export TS_SMOKE_MS=6000

xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    set -e
    "$0"/cmake/wine-emulator.sh wineboot -i >/dev/null 2>&1 || true
    "$0"/cmake/wine-emulator.sh "$1" --gtest_also_run_disabled_tests \
        --gtest_filter=Loops.DISABLED_SampleWindowForScreenshots >/dev/null 2>&1 &
    sleep 4
    import -window root "$2"
    wait
' "$root" "$exe" "$shot"

colours="$(identify -format %k "$shot")"
echo "screenshot: $shot ($colours colours)"
if [ "$colours" -lt 8 ]; then
    echo "vcl_smoke: the window did not paint"
    exit 1
fi
echo "vcl_smoke: passed"
