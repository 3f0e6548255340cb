#!/usr/bin/env bash
# Line and branch coverage of src/ from one run of the suite in its own gcov
# build (build/coverage): a summary per src folder, then gcovr's JSON summary
# and Cobertura XML under build/coverage/report/. Exits non-zero if a test failed.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 2
build=build/coverage
report=$build/report

cmake --preset coverage >/dev/null && cmake --build --preset coverage || exit 2
# Counters from an earlier run would add up with this one.
find "$build" -name '*.gcda' -delete
ctest --preset coverage
status=$?

mkdir -p "$report"
# Branches that only exist for exceptions the compiler must allow for, and
# branches gcov marks as unreachable, are not decisions of the code.
gcovr --root . --object-directory "$build" --filter src/ -j 2 --exclude-directories "$build/CMakeFiles" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "$report/summary.json" --json-summary-pretty \
  --cobertura "$report/coverage.xml" || exit 2
python3 tools/quality/coverage_summary.py "$report/summary.json" || exit 2
echo "coverage: JSON summary and Cobertura XML in $report"
exit $status
