#!/bin/sh
# Prepares each Wine prefix named that is not prepared yet (about 10 s each).
set -eu
for prefix in "$@"; do
  [ -f "$prefix/system.reg" ] && continue
  WINEPREFIX="$prefix" wineboot -i
  WINEPREFIX="$prefix" wineserver -w
done
