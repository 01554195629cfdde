# The Objective-C layer is Objective-C++ compiled by clang over GNUstep Foundation; the C++ core may stay
# on another compiler. CMake wants the Objective-C++ compiler as a full path.
if(NOT CMAKE_OBJCXX_COMPILER)
  find_program(NVR_CLANGXX NAMES clang++ REQUIRED)
  set(CMAKE_OBJCXX_COMPILER ${NVR_CLANGXX})
endif()
enable_language(OBJCXX)
# Enabling clang's language set the precompiled-header prologue to clang's spelling, which g++ warns
# about; both compilers read GCC's.
set(CMAKE_PCH_PROLOGUE "#pragma GCC system_header")
if(CCACHE_PROGRAM)
  set(CMAKE_OBJCXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
find_package(GNUstepBase REQUIRED)
