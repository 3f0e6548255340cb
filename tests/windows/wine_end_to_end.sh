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

wait_for() {  # TEST FILE: up to five seconds
  for _ in $(seq 50); do [ "$1" "$2" ] && return; sleep 0.1; done
}

# corvane-dc on a pty pair of its own: the COM port is mapped to the path it prints.
start_dc() {  # FRAMING ACTION...
  local framing=$1; shift
  # It reads the files it sends from its working directory.
  (cd "$device" && exec "$dc" --pty --framing "$framing" --dir . --timeout 10 "$@" > ../dc.out 2>&1) &
  peer_pid=$!
  wait_for -s "$device/../dc.out"
  ln -sfn "$(head -n1 "$device/../dc.out")" "$com_link"
}

# A null-modem cable of two ptys (socat) in DIR: the COM port is its pc-end, $far_end the other.
start_cable() {  # DIR
  socat pty,raw,echo=0,link="$1/pc-end" pty,raw,echo=0,link="$1/far-end" &
  socat_pid=$!
  wait_for -e "$1/far-end"
  pc_end=$(readlink -f "$1/pc-end") far_end=$(readlink -f "$1/far-end")
  ln -sfn "$pc_end" "$com_link"
}

# Ends the peer and waits for its report: corvane-dc as Ctrl-C would, C-Kermit (if
# still there) as a shutdown would.
stop_peer() {
  if [ "${peer:-}" = kermit ]; then kill "$peer_pid"; else kill -INT "$peer_pid"; fi 2>/dev/null
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

# The far end of client_cases: corvane-dc in a framing, or C-Kermit (classic) on a pty cable.
start_peer() {  # receive | send FILE | serve
  if [ "$peer" != kermit ]; then
    [ "$1" = receive ] && set -- serve
    start_dc "$peer" "$@"
    return
  fi
  local commands="set file type binary, $*"
  [ "$1" = serve ] && commands="set file type binary, enable delete, enable cd, enable directory, server"
  (cd "$device" && exec kermit -Y -B -C "set line $far_end, set speed $baud, \
set carrier-watch off, set flow none, $commands, exit" > ../kermit.log 2>&1) &
  peer_pid=$!
}

# Every client command against a peer (classic, wide or kermit), and a receive of what it sends.
client_cases() {  # PEER
  peer=$1
  local platform=$1 make_content=make_text stored=UP.DAT
  [ "$peer" = wide ] && make_content=make_bytes
  # C-Kermit stores names in lower case.
  [ "$peer" = kermit ] && platform=classic stored=up.dat && start_cable "$work"

  fresh "$peer-send"
  $make_content "$pc/UP.DAT"
  start_peer receive
  check "$peer send: exit 0" corvane --platform "$platform" send UP.DAT
  stop_peer
  check "$peer send: the device holds the same bytes" cmp -s "$pc/UP.DAT" "$device/$stored"

  fresh "$peer-receive"
  $make_content "$device/PUSH.DAT"
  start_peer send PUSH.DAT
  check "$peer receive: exit 0" corvane --platform "$platform" receive
  stop_peer
  check "$peer receive: the PC holds the same bytes" cmp -s "$device/PUSH.DAT" "$pc/PUSH.DAT"

  fresh "$peer-commands"
  $make_content "$device/REMOTE.DAT"
  mkdir -p "$device/JOB" && echo old > "$device/JOB/OLD.TXT"
  start_peer serve
  check "$peer get: exit 0" corvane --platform "$platform" get REMOTE.DAT
  check "$peer get: the PC holds the same bytes" cmp -s "$device/REMOTE.DAT" "$pc/REMOTE.DAT"
  check "$peer dir: exit 0" corvane --platform "$platform" dir
  check "$peer dir: lists the device's file" grep -q REMOTE.DAT "$pc/../out"
  check "$peer cd: exit 0" corvane --platform "$platform" cd JOB
  check "$peer del: exit 0" corvane --platform "$platform" del OLD.TXT
  stop_peer
  check "$peer del: the file is gone" test ! -e "$device/JOB/OLD.TXT"
  [ "$peer" = kermit ] && kill "$socat_pid" && wait "$socat_pid" 2>/dev/null
}

# The PC's server, which speaks the wide framing, driven by a corvane-dc script
# (a line an argument); Ctrl-C ends the server. Sets dc_status and server_status.
serve() {
  printf '%s\n' "$@" > "$device/../script"
  start_dc wide script ../script
  local dc_pid=$peer_pid
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

console_cases() {
  # A COM port that Windows does not have, and a command line it does not take
  # (these also start the prefix's Wine server, which the Ctrl-C case wants warm).
  fresh cancel
  rm -f "$com_link"
  check "unmapped port: exit 3" test "$(corvane receive; echo $?)" = 3
  check "unmapped port: says where to find the COM number" grep -q "COM$com does not exist.*Device Manager" "$pc/../out"
  check "usage error: exit 2" test "$(corvane frobnicate; echo $?)" = 2

  # Nobody on the other end of a fresh cable: Ctrl-C cancels the waiting receive, exit 130.
  start_cable "$work/cancel"
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
  kill "$socat_pid"; wait "$socat_pid" 2>/dev/null
}

case "$group" in
  classic|wide) client_cases "$group" ;;
  server) server_cases ;;
  console) console_cases; client_cases kermit ;;
  *) echo "no such group: $group"; exit 2 ;;
esac
echo "wine end to end ($group): $passed passed, $failed failed"
[ "$failed" = 0 ]
