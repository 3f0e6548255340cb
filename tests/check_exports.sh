#!/bin/bash
# The shared library exports exactly the functions of its two faces, the C++
# Transfer* functions and the C corvane_* functions, and nothing of its internals.
set -eu
library="$1"
names=$(nm -D --defined-only -C "$library" | awk '$2 ~ /^[TWVBDR]$/ { $1 = ""; $2 = ""; sub(/^  /, ""); print }' |
        sed -e 's/@.*//' -e 's/(.*//' -e 's/\[abi:cxx11\]//' | sort -u)
expected=$(sort <<'LIST'
TransferOpenCom
TransferOpenDevice
TransferCloseCom
TransferSend
TransferReceive
TransferGet
TransferDirectory
TransferChangeDirectory
TransferDelete
TransferServer
TransferCancel
TransferGetStatus
TransferGetOutputFilename
TransferGetLastError
TransferSetOtherPlatform
TransferSetHostUi
TransferSetSaveAsHandler
TransferSetServerRoot
TransferGetErrorDetail
TransferGetLineActivity
TransferErrorText
TransferListPorts
corvane_open
corvane_open_com
corvane_close
corvane_set_platform
corvane_send
corvane_receive
corvane_get
corvane_directory
corvane_change_directory
corvane_delete
corvane_serve
corvane_cancel
corvane_status
corvane_last_error
corvane_output_filename
corvane_error_detail
corvane_ports
corvane_error_text
corvane_result_text
corvane_set_progress_callback
corvane_set_save_as_callback
corvane_version
LIST
)
echo "$names"
difference=$(diff <(echo "$expected") <(echo "$names") || true)
if [ -n "$difference" ]; then
  echo "exports differ from the list ('<' missing, '>' unexpected):"; echo "$difference"; exit 1
fi
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = "libcorvane32.so.1" ] || { echo "SONAME is '$soname', not libcorvane32.so.1"; exit 1; }
echo "exports: 1 passed, 0 failed"
