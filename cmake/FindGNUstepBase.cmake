# Finds GNUstep Base (Foundation on GCC's Objective-C runtime) and libBlocksRuntime, and makes the
# imported target GNUstep::Base for Objective-C++ code compiled by clang.
#
# The compile flags come from `gnustep-config --objc-flags`, keeping its definitions, -f options and
# include folders that exist; its dependency, debug, optimisation and warning flags are the build's own
# business. GNUstep's headers include <objc/blocks_runtime.h>, which Debian's runtime does not ship: a
# one-line stand-in in cmake/gnustep/ points it at libBlocksRuntime's <Block.h>. GCC's own include folder
# (objc/objc.h) goes in after clang's, so that clang's stddef.h and friends still win.
#
# Link order matters: libBlocksRuntime before gnustep-base (which exports a _Block_copy of its own that
# does not copy clang's blocks), then the runtime.

find_program(GNUSTEP_CONFIG gnustep-config)
find_library(GNUSTEP_BASE_LIBRARY gnustep-base)
find_library(BLOCKS_RUNTIME_LIBRARY BlocksRuntime)
find_path(BLOCKS_RUNTIME_INCLUDE_DIR Block.h)
find_program(GCC_PROGRAM gcc)
if(GCC_PROGRAM)
  execute_process(COMMAND ${GCC_PROGRAM} -print-file-name=include
                  OUTPUT_VARIABLE GCC_RUNTIME_INCLUDE_DIR OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(NOT EXISTS "${GCC_RUNTIME_INCLUDE_DIR}/objc/objc.h")
  unset(GCC_RUNTIME_INCLUDE_DIR)
endif()

if(GNUSTEP_CONFIG)
  execute_process(COMMAND ${GNUSTEP_CONFIG} --objc-flags
                  OUTPUT_VARIABLE GNUSTEP_RAW_FLAGS OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(GNUSTEP_RAW_FLAGS UNIX_COMMAND "${GNUSTEP_RAW_FLAGS}")
  set(GNUSTEP_COMPILE_OPTIONS "")
  set(GNUSTEP_INCLUDE_DIRS "")
  foreach(flag IN LISTS GNUSTEP_RAW_FLAGS)
    if(flag MATCHES "^-I(.+)$")
      if(NOT CMAKE_MATCH_1 STREQUAL "." AND IS_DIRECTORY "${CMAKE_MATCH_1}")
        list(APPEND GNUSTEP_INCLUDE_DIRS "${CMAKE_MATCH_1}")
      endif()
    elseif(flag MATCHES "^-(D|f)" OR flag STREQUAL "-pthread")
      list(APPEND GNUSTEP_COMPILE_OPTIONS "${flag}")
    endif()
  endforeach()
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(GNUstepBase REQUIRED_VARS
  GNUSTEP_CONFIG GNUSTEP_BASE_LIBRARY BLOCKS_RUNTIME_LIBRARY BLOCKS_RUNTIME_INCLUDE_DIR GNUSTEP_INCLUDE_DIRS
  GCC_RUNTIME_INCLUDE_DIR)

if(GNUstepBase_FOUND AND NOT TARGET GNUstep::Base)
  add_library(GNUstep::Base INTERFACE IMPORTED)
  set(objcxx "$<COMPILE_LANGUAGE:OBJCXX>")
  list(TRANSFORM GNUSTEP_COMPILE_OPTIONS PREPEND "$<${objcxx}:" OUTPUT_VARIABLE objcxx_options)
  list(TRANSFORM objcxx_options APPEND ">")
  target_compile_options(GNUstep::Base INTERFACE
    ${objcxx_options}
    "$<${objcxx}:-fobjc-runtime=gcc>" "$<${objcxx}:-fblocks>"
    "$<${objcxx}:-idirafter${GCC_RUNTIME_INCLUDE_DIR}>")
  target_include_directories(GNUstep::Base INTERFACE
    "$<${objcxx}:${CMAKE_CURRENT_LIST_DIR}/gnustep>"
    "$<${objcxx}:${BLOCKS_RUNTIME_INCLUDE_DIR}>")
  list(TRANSFORM GNUSTEP_INCLUDE_DIRS PREPEND "$<${objcxx}:" OUTPUT_VARIABLE objcxx_include_dirs)
  list(TRANSFORM objcxx_include_dirs APPEND ">")
  target_include_directories(GNUstep::Base SYSTEM INTERFACE ${objcxx_include_dirs})
  target_link_libraries(GNUstep::Base INTERFACE ${BLOCKS_RUNTIME_LIBRARY} ${GNUSTEP_BASE_LIBRARY} -lobjc)
endif()
