#!/usr/bin/env bash
# Runs the two set-up commands, `make demo` and `make test`, as a new user would
# on a minimal Debian 12 machine: a debootstrap root with only make installed
# and a clean clone of the current commit. Needs root and Debian's mirror.
set -euo pipefail

if ((EUID != 0)); then
  echo "fresh-check: run as root (debootstrap, chroot and mount need it)" >&2
  exit 2
fi

# Every mount below lives in this script's own mount namespace: the host never
# sees its /dev bound into the scratch directory, even if the script is killed.
if [[ -z ${FRESH_CHECK_IN_NAMESPACE:-} ]]; then
  export FRESH_CHECK_IN_NAMESPACE=1
  exec unshare --mount --propagation private -- bash "${BASH_SOURCE[0]}" "$@"
fi

top=$(git -C "$(dirname "${BASH_SOURCE[0]}")" rev-parse --show-toplevel)
commit=$(git -C "$top" rev-parse HEAD)
scratch=$top/build/fresh
base=$scratch/base # debootstrap's root, built once and never run in
root=$scratch/root # a copy of base for one run, so no earlier install can hide a missing one
logs=$scratch/logs
mirror=http://deb.debian.org/debian
mounts=()

mounted_below() {
  awk -v dir="$1/" 'index($2, dir) == 1 { print $2 }' /proc/self/mounts
}

# Whatever still runs inside the root (an interrupted make, a test's child)
# would keep its mounts busy.
stop_processes_inside() {
  local tries pid found
  for ((tries = 0; tries < 5; tries++)); do
    found=0
    for pid in /proc/[0-9]*; do
      if [[ $(readlink "$pid/root" 2>/dev/null) == "$root" ]]; then
        kill -KILL "${pid#/proc/}" 2>/dev/null || true
        found=1
      fi
    done
    ((found)) || return 0
    sleep 0.2
  done
}

cleanup() {
  local i left
  stop_processes_inside
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount --lazy "${mounts[i]}"
  done
  mounts=()
  left=$(mounted_below "$scratch")
  if [[ -n $left ]]; then
    printf 'fresh-check: still mounted:\n%s\n' "$left" >&2
    return 1
  fi
}
trap cleanup EXIT
trap 'echo "fresh-check: interrupted" >&2; exit 130' INT
trap 'echo "fresh-check: terminated" >&2; exit 143' TERM

bind() {
  mount --bind "$1" "$root$1"
  mounts+=("$root$1")
}

# Prints the command's exit status and time, and the tail of its log on failure.
# It runs in the background so that a signal reaches the traps at once.
step() {
  local command=$1 log=$logs/$2.log start=$SECONDS status=0
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/sh -c "cd /root/corvane && $command" </dev/null >"$log" 2>&1 &
  wait $! || status=$?
  printf '%-45s exit %d after %d s\n' "$command" "$status" $((SECONDS - start))
  if ((status != 0)); then
    tail -n 40 "$log"
    echo "(full log: $log)"
  fi
  return "$status"
}

if [[ -n $(mounted_below "$scratch") ]]; then
  echo "fresh-check: something is mounted below $scratch; unmount it first" >&2
  exit 1
fi
mkdir -p "$logs"

if [[ ! -d $base ]]; then
  command -v debootstrap >/dev/null || { apt-get update -qq && apt-get install -y -qq debootstrap; }
  echo "debootstrap: a minimal Debian 12 root in $base (once; later runs reuse it)"
  rm -rf --one-file-system "$base.partial"
  if ! debootstrap --variant=minbase bookworm "$base.partial" "$mirror" >"$logs/debootstrap.log" 2>&1; then
    tail -n 40 "$logs/debootstrap.log"
    echo "(full log: $logs/debootstrap.log)"
    exit 1
  fi
  # The archives of an installed Debian 12, from the mirror this machine uses.
  cat >"$base.partial/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror}-security bookworm-security main
EOF
  mv "$base.partial" "$base"
fi

echo "fresh-check of $commit in $root; logs in $logs"
stop_processes_inside # left by a run that was killed outright
rm -rf --one-file-system "$root"
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone --quiet --no-hardlinks "$top" "$root/root/corvane"
git -C "$root/root/corvane" checkout --quiet --detach "$commit"
bind /proc
bind /dev
bind /dev/pts # the tests talk over pty pairs

step 'apt-get update && apt-get install -y make' install-make
failed=0
step 'make demo' demo || failed=1
step 'make test' test || failed=1
cleanup
if ((failed)); then
  echo "fresh-check: FAILED; the root stays in $root for a look inside"
  exit 1
fi
rm -rf --one-file-system "$root"
echo "fresh-check: passed"
