#!/bin/sh
# Runs a Windows program under Wine for ctest. As root, the program and its wineserver run without the
# capabilities that bypass file permissions: Wine keeps the read-only attribute in the permission bits,
# so only then do read-only files refuse writes as they do on Windows.
: "${WINEDEBUG:=-all}"
export WINEDEBUG
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null 2>&1 &&
    setpriv --bounding-set=-dac_override,-dac_read_search true 2>/dev/null; then
    exec setpriv --bounding-set=-dac_override,-dac_read_search wine "$@"
fi
exec wine "$@"
