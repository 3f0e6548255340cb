#!/bin/sh
# Includes run one way: platform <- serial <- session <- survey, hostfiles <-
# classic, wide <- api <- tools; only src/platform talks to the operating
# system; the tools reach the library through its public headers alone.
# Prints every include against that order and fails when there is one.
set -u
cd "${1:-$(dirname "$0")/..}" || exit 2

# The folders each folder may include from, besides its own.
allowed() {
  case "$1" in
    # The system's own progress window is a HostUi of the public interface.
    src/platform)  echo "corvane32" ;;
    src/serial)    echo "platform" ;;
    src/session)   echo "serial platform corvane32" ;;
    src/ui)        echo "session serial platform corvane32" ;;
    src/survey)    echo "" ;;
    src/hostfiles) echo "session serial platform" ;;
    src/classic)   echo "hostfiles survey session serial platform" ;;
    src/wide)      echo "hostfiles survey session serial platform" ;;
    src/api)       echo "classic wide hostfiles survey ui session serial platform corvane32 corvane" ;;
    include/*)     echo "corvane32 corvane" ;;
    tools/common)  echo "" ;;
    tools/hostkit) echo "corvane32 corvane" ;;
    # The desktop application previews survey files with the library's own pure conversions.
    tools/corvane-desk) echo "corvane32 corvane common hostkit corvane-dc survey" ;;
    tools/*)       echo "corvane32 corvane common hostkit corvane-dc" ;;
  esac
}

# Headers of the operating system, outside the standard library.
system_headers='(sys/[a-z_]+|unistd|fcntl|termios|pthread|dirent|poll|pty|spawn|signal|libserialport|windows|winbase|io|direct|setupapi|commctrl)\.h'

failures=0
for file in $(find src include tools -name '*.cpp' -o -name '*.h' -o -name '*.c' | sort); do
  folder=$(dirname "$file")
  case "$folder" in
    src/platform/*) folder=src/platform ;;
    tools/*/*) folder=$(echo "$folder" | cut -d/ -f1-2) ;;
  esac
  own=$(basename "$folder")
  [ "$folder" = include ] && continue
  ok="$own $(allowed "$folder")"
  for target in $(sed -n 's/^#include "\([^/"]*\)\/.*/\1/p' "$file" | sort -u); do
    case " $ok " in
      *" $target "*) ;;
      *) echo "$file includes $target/ against the order"; failures=$((failures + 1)) ;;
    esac
  done
  case "$folder" in
    src/platform|tools/*) ;;
    src/*|include/*)
      if grep -En "^#include <$system_headers>" "$file" >/dev/null; then
        echo "$file includes a system header outside src/platform: $(grep -Eo "<$system_headers>" "$file" | head -1)"
        failures=$((failures + 1))
      fi ;;
  esac
done
if [ "$failures" -gt 0 ]; then
  echo "layers: $failures includes against the order"
  exit 1
fi
echo "layers: every include runs down the order"
