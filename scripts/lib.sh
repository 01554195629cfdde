# Shared by the scripts: where the project is, and how to configure and build one of its build folders.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${NVR_JOBS:-$(nproc)}
# The precompiled headers stay cacheable.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
# ccache reads the headers a compile used from the compiler's dependency file instead of running the
# preprocessor once more on every cache miss.
export CCACHE_DEPEND=true
# Paths under the checkout are hashed relative to it, so clones in other folders share the cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}

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
