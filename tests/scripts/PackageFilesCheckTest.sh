#!/usr/bin/env bash
# scripts/check-package-files on fixture package files: each faulty file fails the check with the line
# that names its fault, and a sound one (folders the compilers do not search, libraries by name) passes.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
fixtures=$root/tests/scripts/fixtures/package-files
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The folder of GCC's own headers, Objective-C runtime's included, on this machine.
gcc_folder=$(gcc -print-file-name=include)

# fixture|the line the check prints about it (none: the check passes)
cases=(
  "sound.pc|"
  "gcc-runtime-folder.pc|names a compiler's own include folder: -idirafter$gcc_folder"
  "gcc-runtime-folder-apart.pc|names a compiler's own include folder: -isystem $gcc_folder/../include"
  "standard-folder.pc|names a compiler's own include folder: -I/usr/include"
  "library-path.pc|names a library by its path: /usr/lib/libgnustep-base.so"
  "repeated-flag.pc|gives a compile flag twice: -DGNUSTEP"
)
failures=0
for case in "${cases[@]}"; do
  fixture=${case%%|*}
  fault=${case#*|}
  file=$work/$fixture
  sed "s|@GCC_INCLUDE_DIR@|$gcc_folder|g" "$fixtures/$fixture" >"$file"
  status=0
  said=$("$root/scripts/check-package-files" "$file" 2>&1) || status=$?
  if [[ -z $fault ]]; then
    expected=""
    ((status == 0)) || { echo "$fixture: refused (status $status)"; failures=$((failures + 1)); }
  else
    expected="check-package-files: $file $fault"
    ((status != 0)) || { echo "$fixture: passed"; failures=$((failures + 1)); }
  fi
  if [[ $said != "$expected" ]]; then
    printf '%s: the check said\n%s\ninstead of\n%s\n' "$fixture" "$said" "$expected"
    failures=$((failures + 1))
  fi
done
((failures == 0))
