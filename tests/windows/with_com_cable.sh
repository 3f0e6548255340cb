#!/bin/sh
# Runs a command with COM8 and COM9 of the Wine prefix joined by a null-modem
# cable: two ptys that socat relays to each other.
set -eu
cable=$(mktemp -d)
socat pty,raw,echo=0,link="$cable/com8" pty,raw,echo=0,link="$cable/com9" &
socat_pid=$!
trap 'kill $socat_pid 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/com8" "$WINEPREFIX/dosdevices/com9"; rm -rf "$cable"' EXIT
for _ in $(seq 50); do [ -e "$cable/com9" ] && break; sleep 0.1; done
ln -sfn "$(readlink -f "$cable/com8")" "$WINEPREFIX/dosdevices/com8"
ln -sfn "$(readlink -f "$cable/com9")" "$WINEPREFIX/dosdevices/com9"
status=0
"$@" || status=$?
# The Wine server ends before the display it was started on goes away.
wineserver -w
exit "$status"
