#!/usr/bin/env bash
# scripts/bench --smoke on fixture benchmark programs: the run fails naming each benchmark that reported
# an error, on standard output (the console reporter's own line, $1 is a real benchmark program) or on
# standard error, and each program that did not end well; a benchmark without an error is not named;
# programs that all run well pass. Neither run prints a benchmark's figures: the one without an error says
# one line.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
fixtures=$root/tests/scripts/fixtures/bench
error_reporting_bench=$1
failures=0
fail() {
  echo "$1"
  failures=$((failures + 1))
}

status=0
said=$("$root/scripts/bench" --smoke "$error_reporting_bench" "$fixtures/ErrorOnStandardError" \
  "$fixtures/Crashes" "$fixtures/Fine" 2>&1) || status=$?
failed=$(sed -n '/^bench --smoke: failed:$/,$p' <<<"$said")
expected=$(printf '%s\n' "bench --smoke: failed:" "  ErrorReportingBench BM_ReportsAnError" \
  "  ErrorOnStandardError BM_FromStandardError" "  Crashes (exit status 139)")
((status != 0)) || fail "the run with errors passed"
[[ $failed == "$expected" ]] || fail "$(printf 'the run with errors named\n%s\ninstead of\n%s' "$failed" "$expected")"
figures=$(grep -E '[0-9.]+ ns' <<<"$said" || true)
[[ -z $figures ]] || fail "$(printf 'the run with errors printed figures:\n%s' "$figures")"

status=0
said=$("$root/scripts/bench" --smoke "$fixtures/Fine" 2>&1) || status=$?
if ((status != 0)) || [[ $said != "bench --smoke: every benchmark ran" ]]; then
  fail "$(printf 'the run without an error failed (status %d):\n%s' "$status" "$said")"
fi
((failures == 0))
