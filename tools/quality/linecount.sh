#!/usr/bin/env bash
# Non-blank lines of test code against the rest of the code, by the rules of the
# team's shared linecount.sh, for a clone that has no shared/ beside it.
#   tests: tests/ and every tests/ folder below src/ include/ tools/ bench/ python/ (fuzz corpora left out)
#   code:  src/ include/ tools/ bench/ python/ without those tests/ folders
# Files: .cpp .h .hpp .c .py .sh. Prints "tests=N code=M ratio=R".
set -u
cd "${1:-.}" || exit 2
lines() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.py' -o -name '*.sh' \) \
    -not -path '*/corpus/*' -print0 2>/dev/null | xargs -0 -r cat | grep -cv '^[[:space:]]*$'
}
roots=$(for d in src include tools bench python; do [ -d "$d" ] && echo "$d"; done)
nested=$([ -n "$roots" ] && find $roots -type d -name tests 2>/dev/null)
t_top=$([ -d tests ] && lines tests || echo 0)
t_nested=$([ -n "$nested" ] && lines $nested || echo 0)
all=$([ -n "$roots" ] && lines $roots || echo 0)
awk -v a="$t_top" -v b="$t_nested" -v c="$all" \
  'BEGIN { t = a + b; k = c - b; printf "tests=%d code=%d ratio=%.3f\n", t, k, (k ? t / k : 0) }'
