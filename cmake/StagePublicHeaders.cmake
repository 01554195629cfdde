# Run as a script (cmake -P) at build time. Copies the public headers of PublicHeaders.cmake from
# SOURCE_DIR/src to OUTPUT_DIR/nuvra, rewriting their includes of each other from "core/Core.h" to
# <nuvra/core/Core.h>, so that an app's own core/ or util/ folder can never shadow them; writes the
# umbrella header <nuvra/Nuvra.h>; removes staged files no longer listed. Fails when a public header
# includes a header that is not public, or anything but the standard library (and Foundation for the
# Objective-C classes): an app has neither. WITH_OBJC=ON stages the Objective-C classes too.
cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/cmake/PublicHeaders.cmake)

set(headers ${NVR_PUBLIC_HEADERS})
if(WITH_OBJC)
  list(APPEND headers ${NVR_OBJC_PUBLIC_HEADERS})
endif()
set(all_public ${NVR_PUBLIC_HEADERS} ${NVR_OBJC_PUBLIC_HEADERS})

# Writes only changed text, so that an unchanged header does not rebuild what includes it.
function(write_if_changed path text)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${text}")
endfunction()

set(problems "")
foreach(header IN LISTS headers)
  file(READ "${SOURCE_DIR}/src/${header}" text)
  string(REGEX MATCHALL "#[ \t]*(include|import)[ \t]*[\"<][^\">]+[\">]" directives "${text}")
  foreach(directive IN LISTS directives)
    string(REGEX REPLACE "^#[ \t]*(include|import)[ \t]*([\"<])([^\">]+)[\">]$" "\\2;\\3" parts "${directive}")
    list(GET parts 0 quote)
    list(GET parts 1 included)
    if(quote STREQUAL "\"")
      if(NOT included IN_LIST all_public)
        string(APPEND problems "  ${header} includes \"${included}\", which is not a public header\n")
      endif()
    elseif(NOT included MATCHES "^[a-z_]+$" AND NOT included STREQUAL "Foundation/Foundation.h")
      string(APPEND problems "  ${header} includes <${included}>, which an app need not have\n")
    endif()
  endforeach()
  string(REGEX REPLACE "#([ \t]*)(include|import)([ \t]*)\"([^\"]+)\"" "#\\1\\2\\3<nuvra/\\4>" text "${text}")
  write_if_changed("${OUTPUT_DIR}/nuvra/${header}" "${text}")
endforeach()
if(problems)
  message(FATAL_ERROR "The public headers (cmake/PublicHeaders.cmake) must include only each other and the "
                      "standard library:\n${problems}")
endif()

set(umbrella "#pragma once\n\n// Every public header of the C++ SDK.\n")
foreach(header IN LISTS NVR_PUBLIC_HEADERS)
  string(APPEND umbrella "#include <nuvra/${header}>\n")
endforeach()
write_if_changed("${OUTPUT_DIR}/nuvra/Nuvra.h" "${umbrella}")

file(GLOB_RECURSE staged RELATIVE "${OUTPUT_DIR}/nuvra" "${OUTPUT_DIR}/nuvra/*")
list(REMOVE_ITEM staged ${headers} Nuvra.h)
foreach(stale IN LISTS staged)
  file(REMOVE "${OUTPUT_DIR}/nuvra/${stale}")
endforeach()
