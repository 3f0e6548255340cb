#!/bin/bash
# The library exports exactly the functions named in the list (the C++
# Transfer* functions and the C corvane_* functions), and nothing of its internals.
#   check_exports.sh LIST LIBRARY                    the shared library (ELF), named libcorvane32.so.1
#   check_exports.sh LIST DLL OBJDUMP CXXFILT        a Windows DLL, read with the MinGW tools
# (DLL exports carry no leading underscore, also on 32-bit x86, where c++filt would strip one).
set -eu
expected=$(grep -v '^#' "$1" | sort)
if [ $# -eq 2 ]; then
  exported=$(nm -D --defined-only -C "$2" | awk '$2 ~ /^[TWVBDR]$/ { $1 = ""; $2 = ""; sub(/^  /, ""); print }')
  soname=$(objdump -p "$2" | awk '$1 == "SONAME" { print $2 }')
  [ "$soname" = "libcorvane32.so.1" ] || { echo "SONAME is '$soname', not libcorvane32.so.1"; exit 1; }
else
  exported=$("$3" -p "$2" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | "$4" --no-strip-underscore)
fi
echo "$exported"
# The name before the symbol version or the parameter list (and the ABI tag of
# a function returning std::string).
names=$(echo "$exported" | sed -e 's/@.*//' -e 's/(.*//' -e 's/\[abi:cxx11\]$//' | sort -u)
difference=$(diff <(echo "$expected") <(echo "$names") || true)
if [ -n "$difference" ]; then
  echo "exports differ from the list ('<' missing, '>' unexpected):"; echo "$difference"; exit 1
fi
echo "exports: 1 passed, 0 failed"
