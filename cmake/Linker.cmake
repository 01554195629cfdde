# Link with lld where the toolchain has it: the test programs are large static links, and lld does
# them several times faster than the default linker. Hosts that embed the project keep their own.
include(CheckLinkerFlag)
if(PROJECT_IS_TOP_LEVEL)
  check_linker_flag(CXX -fuse-ld=lld NVR_HAVE_LLD)
  if(NVR_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  endif()
endif()

# nvr_drop_unused_code(TARGET [EXPORTS version-script]): one section per function and object, so that a
# link with --gc-sections (ours below, and an app's) keeps only the code it reaches. A shared library is
# linked so, and exports only what the version script names.
function(nvr_drop_unused_code target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXPORTS" "")
  target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    target_link_options(${target} PRIVATE -Wl,--gc-sections)
    if(arg_EXPORTS)
      target_link_options(${target} PRIVATE -Wl,--version-script=${arg_EXPORTS})
      set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${arg_EXPORTS})
    endif()
  endif()
endfunction()
# The sanitizer builds keep everything: their runtimes find our option and suppression hooks by name.
if(PROJECT_IS_TOP_LEVEL AND NVR_SANITIZER STREQUAL "")
  add_link_options(-Wl,--gc-sections)
endif()
