if(NVR_SANITIZER STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(NVR_SANITIZER STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT NVR_SANITIZER STREQUAL "")
  message(FATAL_ERROR "Unknown NVR_SANITIZER '${NVR_SANITIZER}'")
endif()

# g++ 12 reports false "maybe uninitialized" warnings inside <regex> and <functional> once the
# sanitizers change its inlining; they say nothing about our code.
if(NOT NVR_SANITIZER STREQUAL "" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-maybe-uninitialized>)
endif()
