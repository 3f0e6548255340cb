#!/bin/bash
# corvane.exe under Wine, a COM port of the prefix mapped to a pty: against
# corvane-dc in both framings and against C-Kermit, every command, with the
# files compared byte for byte and the exit statuses those of the Linux build.
#   wine_end_to_end.sh CORVANE_EXE CORVANE_DC WORK_DIR GROUP COM_NUMBER   (WINEPREFIX set, prefix made)
# GROUP: classic or wide (the client commands against corvane-dc), server (the
# PC's server and its confinement), console (Ctrl-C, a missing port, usage,
# and C-Kermit on the other end).
# Groups on different COM numbers run side by side.
set -u
exe=$(realpath "$1") dc=$(realpath "$2") work=$(realpath -m "$3") group=$4 com=$5
com_link="$WINEPREFIX/dosdevices/com$com"
baud=38400
passed=0 failed=0
peer_pid=''

rm -rf "$work" && mkdir -p "$work"
cleanup() {
  [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null && wait "$peer_pid" 2>/dev/null
  rm -f "$com_link"
}
trap cleanup EXIT

check() {  # NAME COMMAND...: one expectation
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

# A fresh PC directory and device directory for one case.
fresh() {
  pc="$work/$1/pc" device="$work/$1/device"
  mkdir -p "$pc" "$device"
}

# Runs corvane.exe in the PC directory on the COM port; its output goes to $pc/../out.
corvane() {
  (cd "$pc" && timeout 120 wine "$exe" --port "$com" --baud "$baud" --quiet "$@" > ../out 2>&1)
}

# corvane-dc on a pty pair of its own: the COM port is mapped to the path it prints.
start_dc() {  # FRAMING ACTION...
  local framing=$1; shift
  # It reads the files it sends from its working directory.
  (cd "$device" && exec "$dc" --pty --framing "$framing" --dir . --timeout 10 "$@" > ../dc.out 2>&1) &
  peer_pid=$!
  for _ in $(seq 50); do
    [ -s "$device/../dc.out" ] && break
    sleep 0.1
  done
  ln -sfn "$(head -n1 "$device/../dc.out")" "$com_link"
}

# Ends the peer as Ctrl-C would and waits for its report.
stop_peer() {
  kill -INT "$peer_pid" 2>/dev/null
  wait "$peer_pid" 2>/dev/null
  peer_pid=''
}

# A text file with CR LF line ends, as the classic line carries text, and any bytes for the wide line.
make_text() { for i in $(seq 400); do printf 'line %d of the job, 0123456789\r\n' "$i"; done > "$1"; }
make_bytes() { head -c 20000 /dev/urandom > "$1"; }

# One Ctrl-C to the corvane.exe that timeout runs as $peer_pid: not through
# timeout, which passes a signal on to its whole group as well, and a second
# interrupt ends the program outright.
interrupt_corvane() { kill -INT "$(pgrep -P "$peer_pid")"; }

# Every client command against corvane-dc serving, and a receive of what it sends.
client_cases() {  # FRAMING
  local framing=$1
  make_content=make_text
  [ "$framing" = wide ] && make_content=make_bytes

  fresh "$framing-send"
  $make_content "$pc/UP.DAT"
  start_dc "$framing" serve
  check "$framing send: exit 0" corvane --platform "$framing" send UP.DAT
  stop_peer
  check "$framing send: the device holds the same bytes" cmp -s "$pc/UP.DAT" "$device/UP.DAT"

  fresh "$framing-receive"
  $make_content "$device/PUSH.DAT"
  start_dc "$framing" send PUSH.DAT
  check "$framing receive: exit 0" corvane --platform "$framing" receive
  stop_peer
  check "$framing receive: the PC holds the same bytes" cmp -s "$device/PUSH.DAT" "$pc/PUSH.DAT"

  fresh "$framing-commands"
  $make_content "$device/REMOTE.DAT"
  mkdir -p "$device/JOB" && echo old > "$device/JOB/OLD.TXT"
  start_dc "$framing" serve
  check "$framing get: exit 0" corvane --platform "$framing" get REMOTE.DAT
  check "$framing get: the PC holds the same bytes" cmp -s "$device/REMOTE.DAT" "$pc/REMOTE.DAT"
  check "$framing get of a missing file: exit 1" test "$(corvane --platform "$framing" get NONE.DAT; echo $?)" = 1
  check "$framing dir: exit 0" corvane --platform "$framing" dir
  check "$framing dir: lists the device's file" grep -q REMOTE.DAT "$pc/../out"
  check "$framing cd: exit 0" corvane --platform "$framing" cd JOB
  check "$framing del: exit 0" corvane --platform "$framing" del OLD.TXT
  stop_peer
  check "$framing del: the file is gone" test ! -e "$device/JOB/OLD.TXT"
}

# The PC's server, which speaks the wide framing, driven by a corvane-dc script
# (a line an argument); Ctrl-C ends the server. Sets dc_status and server_status.
serve() {
  printf '%s\n' "$@" > "$device/../script"
  (cd "$device" && exec "$dc" --pty --framing wide --dir . --timeout 10 script ../script > ../dc.out 2>&1) &
  local dc_pid=$!
  for _ in $(seq 50); do [ -s "$device/../dc.out" ] && break; sleep 0.1; done
  ln -sfn "$(head -n1 "$device/../dc.out")" "$com_link"
  (cd "$pc" && exec timeout 120 wine "$exe" --port "COM$com" --baud "$baud" --quiet server > ../out 2>&1) &
  peer_pid=$!
  wait "$dc_pid"
  dc_status=$?
  interrupt_corvane
  wait "$peer_pid"
  server_status=$?
  peer_pid=''
}

server_cases() {
  fresh server
  make_bytes "$device/UP.BIN"
  make_bytes "$pc/DOWN.BIN"
  mkdir -p "$pc/SUB" && echo gone > "$pc/SUB/ERASE.ME"
  serve "upload UP.BIN" "download DOWN.BIN" "remote dir" "remote cd SUB" "remote erase ERASE.ME"
  check "server: the device's script succeeded" test "$dc_status" = 0
  check "server: Ctrl-C ends it with exit 0" test "$server_status" = 0
  check "server: upload arrived byte for byte" cmp -s "$device/UP.BIN" "$pc/UP.BIN"
  check "server: download arrived byte for byte" cmp -s "$pc/DOWN.BIN" "$device/DOWN.BIN"
  check "server: the listing names the PC's files" grep -q 'DOWN.BIN 20000 ' "$device/../dc.out"
  check "server: erase removed the file" test ! -e "$pc/SUB/ERASE.ME"

  # The served directory holds a link to a directory outside it: nothing there
  # is handed out, entered or erased.
  fresh confined
  mkdir -p "$work/confined/outside" && echo secret > "$work/confined/outside/SECRET.TXT"
  ln -s "$work/confined/outside" "$pc/OUT"
  echo inside > "$pc/OK.TXT"
  serve "download OUT/SECRET.TXT" "remote cd OUT" "remote erase OUT/SECRET.TXT" "download OK.TXT"
  check "confined: three refusals" test "$(grep -c ': FAILED' "$device/../dc.out")" = 3
  check "confined: the file inside is handed out" cmp -s "$pc/OK.TXT" "$device/OK.TXT"
  check "confined: nothing from outside" test ! -e "$device/SECRET.TXT" -a -e "$work/confined/outside/SECRET.TXT"
}

# C-Kermit on the other end of a pty cable (socat): the classic framing, every
# client command, as a Windows PC meets a real Kermit.
kermit_cases() {
  fresh kermit
  socat pty,raw,echo=0,link="$work/kermit/pc-end" pty,raw,echo=0,link="$work/kermit/kermit-end" &
  socat_pid=$!
  for _ in $(seq 50); do [ -e "$work/kermit/kermit-end" ] && break; sleep 0.1; done
  ln -sfn "$(readlink -f "$work/kermit/pc-end")" "$com_link"
  kermit_run() {  # COMMANDS: C-Kermit in the device directory, in the background
    (cd "$device" && exec kermit -Y -B -C "set line $(readlink -f "$work/kermit/kermit-end"), set speed $baud, \
set carrier-watch off, set flow none, $1, exit" > ../kermit.log 2>&1) &
    peer_pid=$!
  }
  make_text "$pc/UP.TXT"
  kermit_run "set file type binary, receive"
  check "kermit send: exit 0" corvane --platform classic send UP.TXT
  wait "$peer_pid"; peer_pid=''
  # C-Kermit stores names in lower case.
  check "kermit send: C-Kermit holds the same bytes" cmp -s "$pc/UP.TXT" "$device/up.txt"

  make_text "$device/PUSH.TXT"
  kermit_run "set file type binary, send PUSH.TXT"
  check "kermit receive: exit 0" corvane --platform classic receive
  wait "$peer_pid"; peer_pid=''
  check "kermit receive: the PC holds the same bytes" cmp -s "$device/PUSH.TXT" "$pc/PUSH.TXT"

  make_text "$device/REMOTE.TXT"
  mkdir -p "$device/job" && echo old > "$device/job/old.txt"
  kermit_run "set file type binary, enable delete, enable cd, enable directory, server"
  check "kermit get: exit 0" corvane --platform classic get REMOTE.TXT
  check "kermit get: the PC holds the same bytes" cmp -s "$device/REMOTE.TXT" "$pc/REMOTE.TXT"
  check "kermit dir: exit 0" corvane --platform classic dir
  check "kermit dir: lists the file" grep -qi remote.txt "$pc/../out"
  check "kermit cd: exit 0" corvane --platform classic cd job
  check "kermit del: exit 0" corvane --platform classic del old.txt
  check "kermit del: the file is gone" test ! -e "$device/job/old.txt"
  kill "$peer_pid" 2>/dev/null; wait "$peer_pid" 2>/dev/null; peer_pid=''
  kill "$socat_pid"; wait "$socat_pid" 2>/dev/null
}

console_cases() {
  # A COM port that Windows does not have, and a command line it does not take
  # (these also start the prefix's Wine server, which the Ctrl-C case wants warm).
  fresh cancel
  rm -f "$com_link"
  check "unmapped port: exit 3" test "$(corvane receive; echo $?)" = 3
  check "unmapped port: says where to find the COM number" grep -q "COM$com does not exist.*Device Manager" "$pc/../out"
  check "usage error: exit 2" test "$(corvane frobnicate; echo $?)" = 2

  # Nobody on the other end of a fresh cable: Ctrl-C cancels the waiting receive, exit 130.
  socat pty,raw,echo=0,link="$work/cancel/pc-end" pty,raw,echo=0,link="$work/cancel/far-end" &
  socat_pid=$!
  for _ in $(seq 50); do [ -e "$work/cancel/far-end" ] && break; sleep 0.1; done
  pc_end=$(readlink -f "$work/cancel/pc-end")
  ln -sfn "$pc_end" "$com_link"
  (cd "$pc" && exec timeout 120 wine "$exe" --port "$com" --quiet receive > ../out 2>&1) &
  peer_pid=$!
  # Interrupted once it has the port open (Wine's own services open COM ports
  # as they start); its Ctrl-C handler comes just after.
  for _ in $(seq 300); do
    find "/proc/$(pgrep -P "$peer_pid")/fd" -lname "$pc_end" 2>/dev/null | grep -q . && break
    sleep 0.1
  done
  sleep 1
  interrupt_corvane
  wait "$peer_pid"
  check "Ctrl-C: exit 130" test $? = 130
  peer_pid=''
  check "Ctrl-C: result -3" grep -q 'result -3' "$pc/../out"
  kill "$socat_pid"; wait "$socat_pid" 2>/dev/null
}

case "$group" in
  classic|wide) client_cases "$group" ;;
  server) server_cases ;;
  console) console_cases; kermit_cases ;;
  *) echo "no such group: $group"; exit 2 ;;
esac
echo "wine end to end ($group): $passed passed, $failed failed"
[ "$failed" = 0 ]
