# nvr_apply_test_code_optimisation(TARGET): how hard the tests' own code is optimised. In an optimised
# build the library under test keeps the build's optimisation; the test code around it is compiled at -O1,
# since optimising gtest's expanded assertions harder costs much compile time and no test run time.
function(nvr_apply_test_code_optimisation target)
  if(CMAKE_BUILD_TYPE STREQUAL "Release")
    target_compile_options(${target} PRIVATE -O1)
  endif()
endfunction()
