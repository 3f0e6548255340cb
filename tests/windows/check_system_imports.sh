#!/bin/bash
# Each file imports only DLLs that every Windows has (and corvane32.dll): the
# MinGW run-time is linked in, so nothing else needs copying to the PC.
#   check_system_imports.sh OBJDUMP FILE...
set -eu
objdump="$1"; shift
system='^(kernel32|user32|gdi32|comctl32|advapi32|msvcrt|corvane32)\.dll$'
status=0
for file in "$@"; do
  foreign=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | grep -Ev "$system" || true)
  if [ -n "$foreign" ]; then
    echo "$(basename "$file") imports what is not part of Windows: $(echo $foreign)"
    status=1
  fi
done
exit "$status"
