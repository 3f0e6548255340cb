#!/bin/bash
# Installs a build into a scratch prefix and builds programs against it both
# ways (pkg-config and find_package); checks that the man pages and the bash
# completion name every option and command that the tools' --help lists.
# Usage: install_test.sh BUILD_DIR VERSION [RUNTIME_TO_PRELOAD]
set -euo pipefail
build="$1" version="$2" preload="${3:-}"
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
run() { LD_LIBRARY_PATH="$prefix/lib" LD_PRELOAD="$preload" "$@"; }

cmake --install "$build" --prefix "$prefix" > "$scratch/install.log"
expected="$version Transfer ended by user."

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046  # pkg-config's flags are words
cc -std=c99 -Wall -Wextra -Werror -pedantic "$here/consumer/version.c" $(pkg-config --cflags --libs corvane32) \
  -o "$scratch/version-c"
[ "$(run "$scratch/version-c")" = "$expected" ] || fail "the pkg-config consumer printed '$(run "$scratch/version-c")'"

cmake -S "$here/consumer" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$prefix" > "$scratch/consumer.log"
cmake --build "$scratch/consumer" >> "$scratch/consumer.log"
[ "$(run "$scratch/consumer/version")" = "$expected" ] || fail "the find_package consumer printed '$(run "$scratch/consumer/version")'"

[ "$(run "$prefix/bin/corvane" --version)" = "$version" ] || fail "corvane --version"
[ -L "$prefix/lib/libcorvane32.so.1" ] || fail "no SONAME link"

# Every long option and command of --help, in the man page and the completion.
options_of() { run "$prefix/bin/$1" "${@:2}" --help | grep -o -- '--[a-z][a-z-]*' | sort -u; }
manual_has() { zcat "$prefix/share/man/man1/$1.1.gz" | sed 's/\\-/-/g' | grep -q -- "$2"; }
completion="$prefix/share/bash-completion/completions/corvane"
commands=$(run "$prefix/bin/corvane" --help | awk '/^Subcommands:/ { listed = 1; next } listed && NF { print $1 }')
for command in "" $commands; do
  for option in $(options_of corvane $command); do
    manual_has corvane "$option" || fail "corvane(1) lacks $option"
    grep -q -- "$option" "$completion" || fail "the completion lacks $option"
  done
done
for command in $commands; do
  manual_has corvane "^\.B.* $command" || fail "corvane(1) lacks the command $command"
  grep -q -- "$command" "$completion" || fail "the completion lacks the command $command"
done
for option in $(options_of corvane-dc); do
  manual_has corvane-dc "$option" || fail "corvane-dc(1) lacks $option"
done

echo "install: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" -eq 0 ]
