# Installs the libraries, the public headers under include/nuvra/ (<nuvra/core/Core.h>, the umbrella
# <nuvra/Nuvra.h>), a CMake package (find_package(Nuvra), targets Nuvra::nvr and, with the Objective-C
# layer, Nuvra::objc) and pkg-config files (nuvra.pc, nuvra-objc.pc). Only <prefix>/include goes on an
# app's include path, so an app's own folders named core/ or util/ never shadow the SDK's headers.
include(CMakePackageConfigHelpers)

set(NVR_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Nuvra)

install(TARGETS nvr EXPORT NuvraTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${NVR_STAGED_INCLUDE_DIR}/nuvra DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT NuvraTargets NAMESPACE Nuvra:: DESTINATION ${NVR_CMAKE_PACKAGE_DIR})

if(NVR_BUILD_OBJC)
  install(TARGETS nvr_platform EXPORT NuvraObjCTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(EXPORT NuvraObjCTargets NAMESPACE Nuvra:: DESTINATION ${NVR_CMAKE_PACKAGE_DIR})

  # What an app's Objective-C++ compiles and links with, the same through Nuvra::objc and nuvra-objc.pc:
  # GNUstep's flags as FindGNUstepBase cleaned them, less those that serve only GNUstep's own build
  # (position-independent code, its diagnostics) and the definition it gives twice; the package's gnustep/
  # folder; GNUstep's header folders; the blocks runtime before gnustep-base, then GCC's runtime.
  set(objc_app_options ${GNUSTEP_COMPILE_OPTIONS})
  list(REMOVE_ITEM objc_app_options -fPIC -DGSWARN -DGSDIAGNOSE)
  list(REMOVE_DUPLICATES objc_app_options)
  list(APPEND objc_app_options -fobjc-runtime=gcc -fblocks)
  # The compiler searches its own folders already; naming one (-isystem /usr/include) would put it before
  # the standard library's and break the #include_next in its headers.
  set(objc_app_system_dirs ${BLOCKS_RUNTIME_INCLUDE_DIR} ${GNUSTEP_INCLUDE_DIRS})
  list(REMOVE_ITEM objc_app_system_dirs ${CMAKE_OBJCXX_IMPLICIT_INCLUDE_DIRECTORIES})
  set(objc_app_libraries ${BLOCKS_RUNTIME_LIBRARY} ${GNUSTEP_BASE_LIBRARY})
  # gnustep/ holds the blocks stand-in and, since clang has no headers of GCC's Objective-C runtime and GCC
  # keeps them in a folder of its own version, a copy of those: the app names no compiler's folder.
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/cmake/gnustep DESTINATION ${NVR_CMAKE_PACKAGE_DIR})
  install(DIRECTORY ${GCC_RUNTIME_INCLUDE_DIR}/objc DESTINATION ${NVR_CMAKE_PACKAGE_DIR}/gnustep)

  # The installed Nuvra::objc carries these in place of the build's GNUstep::Base (src/platform), whose
  # flags are those of GNUstep's own build. The options are Objective-C++'s alone: the app's C++ files
  # may be compiled by a compiler that knows none of them.
  list(TRANSFORM objc_app_options PREPEND "$<INSTALL_INTERFACE:$<$<COMPILE_LANGUAGE:OBJCXX>:"
       OUTPUT_VARIABLE installed_options)
  list(TRANSFORM installed_options APPEND ">>")
  target_compile_options(nvr_platform INTERFACE ${installed_options})
  target_include_directories(nvr_platform INTERFACE
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}> $<INSTALL_INTERFACE:${NVR_CMAKE_PACKAGE_DIR}/gnustep>)
  list(TRANSFORM objc_app_system_dirs PREPEND "$<INSTALL_INTERFACE:" OUTPUT_VARIABLE installed_system_dirs)
  list(TRANSFORM installed_system_dirs APPEND ">")
  target_include_directories(nvr_platform SYSTEM INTERFACE ${installed_system_dirs})
  target_link_libraries(nvr_platform INTERFACE "$<INSTALL_INTERFACE:${objc_app_libraries};-lobjc>")
  # find_package(Nuvra COMPONENTS objc) checks that the app's machine has them.
  set(NVR_OBJC_MACHINE_FILES ${objc_app_system_dirs} ${objc_app_libraries})
endif()

# A static library brings its dependencies to the app's link; a shared one keeps them to itself. No
# installed header includes a dependency's header, so nuvra.pc names the dependencies by their libraries
# alone: a Requires line, private or not, would hand their compile flags to every app as well.
set(NVR_PC_DEPENDENCIES sqlite3 zlib libcurl libssl libcrypto uuid re2 simdjson)
pkg_check_modules(NVR_PC_LINK REQUIRED QUIET ${NVR_PC_DEPENDENCIES})
set(dependency_links ${NVR_PC_LINK_LDFLAGS} -ldl)
# The linker searches its own folders already.
foreach(folder IN LISTS CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
  list(REMOVE_ITEM dependency_links "-L${folder}")
endforeach()
list(JOIN dependency_links " " dependency_links)
if(BUILD_SHARED_LIBS)
  set(NVR_APP_LINKS_DEPENDENCIES OFF)
  set(NVR_PC_LIBS "")
  set(NVR_PC_LIBS_PRIVATE "${dependency_links}")
else()
  set(NVR_APP_LINKS_DEPENDENCIES ON)
  set(NVR_PC_LIBS "${dependency_links}")
  set(NVR_PC_LIBS_PRIVATE "")
endif()

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/NuvraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/NuvraConfig.cmake INSTALL_DESTINATION ${NVR_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/NuvraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/NuvraConfig.cmake ${PROJECT_BINARY_DIR}/NuvraConfigVersion.cmake
  DESTINATION ${NVR_CMAKE_PACKAGE_DIR})

# The package files name their folders from their own, so that an install holds wherever it is put
# (cmake --install --prefix, DESTDIR) and however deep its library folder is (lib/x86_64-linux-gnu).
cmake_path(RELATIVE_PATH CMAKE_INSTALL_PREFIX BASE_DIRECTORY ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
           OUTPUT_VARIABLE NVR_PC_PREFIX)
cmake_path(RELATIVE_PATH CMAKE_INSTALL_FULL_LIBDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX} OUTPUT_VARIABLE NVR_PC_LIBDIR)
cmake_path(RELATIVE_PATH CMAKE_INSTALL_FULL_INCLUDEDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
           OUTPUT_VARIABLE NVR_PC_INCLUDEDIR)
configure_file(${PROJECT_SOURCE_DIR}/cmake/nuvra.pc.in ${PROJECT_BINARY_DIR}/nuvra.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/nuvra.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(NVR_BUILD_OBJC)
  # Joined spellings: CMake's pkg-config module would merge repeated separate words.
  string(JOIN " " NVR_PC_OBJC_CFLAGS ${objc_app_options} -isystem\${libdir}/cmake/Nuvra/gnustep)
  foreach(folder IN LISTS objc_app_system_dirs)
    string(APPEND NVR_PC_OBJC_CFLAGS " -isystem${folder}")
  endforeach()
  # Named as -l, with a -L only for a folder the linker does not search by itself.
  set(NVR_PC_OBJC_LIBS "")
  foreach(library IN LISTS objc_app_libraries)
    get_filename_component(folder "${library}" DIRECTORY)
    get_filename_component(name "${library}" NAME_WE)
    string(REGEX REPLACE "^lib" "" name "${name}")
    if(NOT folder IN_LIST CMAKE_OBJCXX_IMPLICIT_LINK_DIRECTORIES)
      string(APPEND NVR_PC_OBJC_LIBS " -L${folder}")
    endif()
    string(APPEND NVR_PC_OBJC_LIBS " -l${name}")
  endforeach()
  string(APPEND NVR_PC_OBJC_LIBS " -lobjc")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/nuvra-objc.pc.in ${PROJECT_BINARY_DIR}/nuvra-objc.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/nuvra-objc.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
