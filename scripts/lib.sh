# Shared by the scripts: where the project is, how to read a script's command line, and how to configure
# and build one of its build folders.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${NVR_JOBS:-$(nproc)}
# The precompiled headers stay cacheable.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
# ccache reads the headers a compile used from the compiler's dependency file instead of running the
# preprocessor once more on every cache miss.
export CCACHE_DEPEND=true
# Paths under the checkout are hashed relative to it, so clones in other folders share the cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}

# usage: prints the script's leading comment, which begins with its usage line. A script whose help says
# more defines its own after sourcing this file. Shell built-ins only: --help works with nothing on the path.
usage() {
  local line
  while IFS= read -r line; do
    [[ $line == '#!'* ]] && continue
    [[ $line == '#'* ]] || break
    line=${line#'#'}
    echo "${line# }"
  done <"$0"
}

# command_line_error MESSAGE: refuses the command line in one line naming what is wrong, with status 2.
command_line_error() {
  echo "${0##*/}: $1 (see --help)" >&2
  exit 2
}

# parse_command_line SPEC... -- ARGUMENT...: reads a script's command line before it does anything. Each
# SPEC is an option the script takes: a flag (--sanitize), an option with a value (--data-dir:), or a
# pattern of options passed on as they stand (--benchmark_*). --help or -h anywhere prints the usage and
# ends with status 0; an unknown option, or one without its value (a value never begins with --), is
# refused. Sets `options` (each option given: its value, or "on"), `passed_options` (the words matched
# by a pattern, in order) and `operands` (the other words, in order).
parse_command_line() {
  local specs=()
  while [[ $1 != -- ]]; do
    specs+=("$1")
    shift
  done
  shift
  local word
  for word in "$@"; do
    if [[ $word == --help || $word == -h ]]; then
      usage
      exit 0
    fi
  done
  declare -gA options=()
  declare -ga passed_options=() operands=()
  local spec matched
  while (($#)); do
    word=$1
    shift
    if [[ $word != -* ]]; then
      operands+=("$word")
      continue
    fi
    matched=""
    for spec in "${specs[@]}"; do
      # shellcheck disable=SC2053 # an option form with a star is a pattern
      if [[ $spec == *: && $word == "${spec%:}" ]] || [[ $word == "$spec" ]]; then
        matched=$spec
        break
      elif [[ $spec == *'*'* && $word == $spec ]]; then
        matched=$spec
        passed_options+=("$word")
        break
      fi
    done
    [[ -n $matched ]] || command_line_error "unknown option '$word'"
    if [[ $matched == *: ]]; then
      [[ $# -gt 0 && $1 != --* ]] || command_line_error "$word needs a value"
      options[$word]=$1
      shift
    elif [[ $matched != *'*'* ]]; then
      options[$word]=on
    fi
  done
}

# refuse_operands: for a script that takes no word but its options.
refuse_operands() {
  ((${#operands[@]} == 0)) || command_line_error "unexpected argument '${operands[0]}'"
}

# make_temporary_folder VARIABLE: makes a temporary folder, names it in VARIABLE, and removes it on every
# exit of the script (bash runs the EXIT trap on an interrupt or a termination too).
temporary_folders=()
make_temporary_folder() {
  local -n made_folder=$1
  made_folder=$(mktemp -d)
  temporary_folders+=("$made_folder")
  trap 'rm -rf "${temporary_folders[@]}"' EXIT
}

# quietly COMMAND...: runs a command with its output shown only when it fails.
quietly() {
  local output
  output=$("$@" 2>&1) || { local status=$?; echo "$output" >&2; return $status; }
}

# configure_build FOLDER BUILD_TYPE [CMAKE_ARGS...]
configure_build() {
  local folder=$1 build_type=$2
  shift 2
  local werror=OFF
  [[ "${CI:-}" == "true" ]] && werror=ON
  cmake -S "$root" -B "$root/build/$folder" -G Ninja \
    -DCMAKE_BUILD_TYPE="$build_type" -DNVR_WERROR="$werror" "$@" >/dev/null
}

# install_sdk FOLDER PREFIX: builds the libraries of a configured build folder and installs them, their
# headers and package files into PREFIX.
install_sdk() {
  local folder=$1 prefix=$2
  local targets=(nvr)
  grep -q "^NVR_BUILD_OBJC:BOOL=ON" "$root/build/$folder/CMakeCache.txt" && targets+=(nvr_platform)
  cmake --build "$root/build/$folder" -j "$jobs" --target "${targets[@]}" >/dev/null
  cmake --install "$root/build/$folder" --prefix "$prefix" >/dev/null
}
