#!/bin/sh
# The shared library exports the Transfer* functions and nothing of its internals.
set -eu
library="$1"
symbols=$(nm -D --defined-only -C "$library" | awk '$2 ~ /^[TWVBDR]$/ { $1 = ""; $2 = ""; sub(/^  /, ""); print }')
echo "$symbols"
unexpected=$(echo "$symbols" | grep -v -E "^Transfer[A-Za-z]*(\[abi:cxx11\])?\(" || true)
if [ -n "$unexpected" ]; then
  echo "unexpected exports:"; echo "$unexpected"; exit 1
fi
for name in TransferOpenCom TransferCloseCom TransferSend TransferReceive TransferGet TransferDirectory \
            TransferChangeDirectory TransferDelete TransferServer TransferCancel TransferGetStatus \
            TransferGetOutputFilename TransferGetLastError TransferSetOtherPlatform TransferOpenDevice; do
  echo "$symbols" | grep -q "^$name(" || { echo "missing export: $name"; exit 1; }
done
echo "exports: 1 passed, 0 failed"
