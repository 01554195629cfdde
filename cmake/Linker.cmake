# Link with lld where the toolchain has it: the test programs are large static links, and lld does
# them several times faster than the default linker. Hosts that embed the project keep their own.
include(CheckLinkerFlag)
if(PROJECT_IS_TOP_LEVEL)
  check_linker_flag(CXX -fuse-ld=lld NVR_HAVE_LLD)
  if(NVR_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  endif()
endif()
