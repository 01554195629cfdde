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

# Under AddressSanitizer with UndefinedBehaviorSanitizer the tests' own code is compiled unoptimised:
# instrumenting optimised gtest code takes twice as long as the unoptimised build, and the time the tests
# run goes to the library, which keeps the build's optimisation. The sanitizers check unoptimised code
# just as thoroughly.
function(nvr_apply_test_code_optimisation target)
  if(NVR_SANITIZER STREQUAL "address")
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()
