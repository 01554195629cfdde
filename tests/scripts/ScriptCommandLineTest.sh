#!/usr/bin/env bash
# Every script of scripts/ reads its command line before it does anything: --help prints its usage with
# status 0; an unknown option, an option without its value or a word it does not take is one line naming
# it, with status 2. Neither runs a build or an install (stand-ins for the build and package tools record
# any call) nor leaves a temporary file. An interrupted or terminated `scripts/bench size` removes its
# temporary folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "$1"
  failures=$((failures + 1))
}

# Stand-ins for the tools that build or install, first on the path: each records its call in $work/calls.
# The package query answers "installed" and cmake, once $FAKE_CMAKE_BLOCKS is set, says it started (in
# $work/cmake-started) and then blocks, as a long build does.
tools=$work/tools
mkdir "$tools"
for tool in cmake ninja ctest c++ g++ clang++ apt-get dpkg-query; do
  cat >"$tools/$tool" <<EOF
#!/usr/bin/env bash
echo "$tool \$*" >>"$work/calls"
[[ $tool == dpkg-query ]] && { printf 'install ok installed'; exit 0; }
if [[ $tool == cmake && -n \${FAKE_CMAKE_BLOCKS:-} ]]; then
  # One process that says it started once it blocks: a signal that came while a shell forks would be lost.
  exec python3 -c 'import sys, time; open(sys.argv[1], "w").close(); time.sleep(600)' "$work/cmake-started"
fi
exit 1
EOF
  chmod +x "$tools/$tool"
done
export PATH="$tools:$PATH"
export TMPDIR=$work/tmp
mkdir "$TMPDIR"

# What the run left behind: the tools it called, the files in the temporary folder.
left_behind() {
  [[ -f $work/calls ]] && echo "called: $(paste -sd ';' "$work/calls")"
  [[ -n $(ls -A "$TMPDIR") ]] && echo "left in the temporary folder: $(ls -A "$TMPDIR")"
  rm -rf "$work/calls" "${TMPDIR:?}"/*
}

# script|arguments|the one line on standard error (none: the usage, with status 0)
cases=()
for script in "$root"/scripts/*; do
  [[ $script == */lib.sh ]] && continue
  name=$(basename "$script")
  cases+=("$name|--help|" "$name|--bogus|$name: unknown option '--bogus' (see --help)")
done
cases+=(
  "test|--sanitize --bogus|test: unknown option '--bogus' (see --help)"
  "test|--sanitize --help|"
  "test|extra|test: unexpected argument 'extra' (see --help)"
  "test|--orders|test: --orders needs a value (see --help)"
  "test|--orders 0|test: --orders needs a count of sequences (see --help)"
  "setup|extra|setup: unexpected argument 'extra' (see --help)"
  "check-layers|src|check-layers: unexpected argument 'src' (see --help)"
  "check-install|-h|"
  "check-readme|extra|check-readme: unexpected argument 'extra' (see --help)"
  "check-package-files||check-package-files: no package file given (see --help)"
  "check-package-files|nuvra.pc --bogus|check-package-files: unknown option '--bogus' (see --help)"
  "bench|--smoke --help|"
  "bench|NoSuchName|bench: no benchmark program's name contains 'NoSuchName' (see --help)"
  "bench|size extra|bench: unexpected argument 'extra' (see --help)"
  "bench|--smoke --benchmark_filter=Json|bench: --benchmark_filter=Json goes to benchmarks run by name (see --help)"
  "demo|--action --state Home|demo: --action needs a value (see --help)"
  "demo|--update|demo: --update needs a value (see --help)"
  "demo|--reset extra|demo: unexpected argument 'extra' (see --help)"
  "demo|--objc --data-dir|demo: --data-dir needs a value (see --help)"
  "demo|--objc --action Login|demo: unknown option '--action' (see --help)"
  "demo|--reset --objc --log-level debug --help|"
)
for case in "${cases[@]}"; do
  IFS='|' read -r name arguments expected <<<"$case"
  read -r -a words <<<"$arguments"
  status=0
  "$root/scripts/$name" "${words[@]}" >"$work/out" 2>"$work/err" </dev/null || status=$?
  said="scripts/$name $arguments:"
  if [[ -z $expected ]]; then
    ((status == 0)) || fail "$said status $status, not 0"
    [[ $(head -n 1 "$work/out") == "usage: scripts/$name"* ]] || fail "$said printed no usage line first"
    [[ ! -s $work/err ]] || fail "$said wrote on standard error: $(cat "$work/err")"
  else
    ((status == 2)) || fail "$said status $status, not 2"
    [[ $(cat "$work/err") == "$expected" ]] || fail "$said said '$(cat "$work/err")', not '$expected'"
    [[ ! -s $work/out ]] || fail "$said wrote on standard output: $(cat "$work/out")"
  fi
  leftovers=$(left_behind)
  [[ -z $leftovers ]] || fail "$said $leftovers"
done

# scripts/bench size stopped while it builds, as Ctrl-C (the whole process group) or a termination stops
# it. Job control gives the run a process group of its own; the signals' default handling is restored,
# since a test started in the background inherits an interrupt that is ignored.
set -m
for signal in INT TERM; do
  rm -f "$work/cmake-started"
  FAKE_CMAKE_BLOCKS=1 env --default-signal=INT,TERM "$root/scripts/bench" size >/dev/null 2>&1 &
  run=$!
  tries=0
  while [[ ! -e $work/cmake-started ]] && ((tries++ < 600)); do
    sleep 0.1
  done
  [[ -e $work/cmake-started ]] || fail "scripts/bench size did not reach its build within 60 s"
  kill "-$signal" -- "-$run"
  tries=0
  while kill -0 "$run" 2>/dev/null && ((tries++ < 600)); do
    sleep 0.1
  done
  if kill -0 "$run" 2>/dev/null; then
    fail "scripts/bench size was still running 60 s after SIG$signal"
    kill -KILL -- "-$run"
  fi
  status=0
  wait "$run" 2>/dev/null || status=$?
  ((status != 0)) || fail "scripts/bench size stopped by SIG$signal ended with status 0"
  [[ -z $(ls -A "$TMPDIR") ]] || fail "scripts/bench size stopped by SIG$signal left $(ls -A "$TMPDIR")"
  left_behind >/dev/null
done
set +m

((failures == 0))
