#!/bin/bash
# The library exports exactly the functions named in the list, and nothing of its internals.
#   check_exports.sh LIST LIBRARY                    a shared library (ELF)
#   check_exports.sh LIST DLL OBJDUMP CXXFILT        a Windows DLL, read with the MinGW tools
# (DLL exports carry no leading underscore, also on 32-bit x86, where c++filt would strip one).
set -eu
expected=$(grep -v '^#' "$1" | sort)
if [ $# -eq 2 ]; then
  exported=$(nm -D --defined-only -C "$2" | awk '$2 ~ /^[TWVBDR]$/ { $1 = ""; $2 = ""; sub(/^  /, ""); print }')
else
  exported=$("$3" -p "$2" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | "$4" --no-strip-underscore)
fi
echo "$exported"
# The name before the parameter list (and the ABI tag of a function returning std::string).
names=$(echo "$exported" | sed -e 's/(.*//' -e 's/\[abi:cxx11\]$//' | sort -u)
if [ "$names" != "$expected" ]; then
  echo "exports differ from the list (< exported, > listed):"
  diff <(echo "$names") <(echo "$expected") || true
  exit 1
fi
echo "exports: 1 passed, 0 failed"
