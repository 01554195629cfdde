# The Objective-C layer is Objective-C++ compiled by clang over GNUstep Foundation; the C++ core may stay
# on another compiler. It is optional: NVR_BUILD_OBJC is on when clang++ and GNUstep Base are found, and a
# C++-only integrator builds, tests and installs the C++ library without either.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
if(NOT DEFINED NVR_BUILD_OBJC OR NVR_BUILD_OBJC)
  # CMake wants the Objective-C++ compiler as a full path.
  if(NOT CMAKE_OBJCXX_COMPILER)
    find_program(NVR_CLANGXX NAMES clang++)
  endif()
  find_package(GNUstepBase QUIET)
endif()
if(NOT DEFINED NVR_BUILD_OBJC)
  if((CMAKE_OBJCXX_COMPILER OR NVR_CLANGXX) AND GNUstepBase_FOUND)
    set(objc_default ON)
  else()
    set(objc_default OFF)
    message(STATUS "NVR_BUILD_OBJC is OFF: clang++ or GNUstep Base (gnustep-config, libgnustep-base, "
                   "libBlocksRuntime) was not found; building the C++ library only")
  endif()
endif()
option(NVR_BUILD_OBJC "Build the Objective-C layer (needs clang++ and GNUstep Base)" ${objc_default})

if(NVR_BUILD_OBJC)
  if(NOT CMAKE_OBJCXX_COMPILER)
    if(NOT NVR_CLANGXX)
      message(FATAL_ERROR "NVR_BUILD_OBJC is ON but clang++ was not found")
    endif()
    set(CMAKE_OBJCXX_COMPILER ${NVR_CLANGXX})
  endif()
  enable_language(OBJCXX)
  # Enabling clang's language set the precompiled-header prologue to clang's spelling, which g++ warns
  # about; both compilers read GCC's.
  set(CMAKE_PCH_PROLOGUE "#pragma GCC system_header")
  # It also named the precompiled headers ".pch", which g++ never looks for: g++ reads one only as the
  # included header's name plus ".gch", and clang is handed its file by name whatever it is called.
  set(CMAKE_PCH_EXTENSION .gch)
  if(CCACHE_PROGRAM)
    set(CMAKE_OBJCXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  endif()
  if(NOT GNUstepBase_FOUND)
    message(FATAL_ERROR "NVR_BUILD_OBJC is ON but GNUstep Base (gnustep-config, libgnustep-base, "
                        "libBlocksRuntime) was not found")
  endif()
endif()
