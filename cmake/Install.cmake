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
  # The package finds GNUstep on the app's machine as this build did.
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/FindGNUstepBase.cmake DESTINATION ${NVR_CMAKE_PACKAGE_DIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/cmake/gnustep DESTINATION ${NVR_CMAKE_PACKAGE_DIR})
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

configure_file(${PROJECT_SOURCE_DIR}/cmake/nuvra.pc.in ${PROJECT_BINARY_DIR}/nuvra.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/nuvra.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(NVR_BUILD_OBJC)
  # The compiler searches its own folders already; naming one (-I/usr/include) would put it before the
  # standard library's and break the #include_next in its headers.
  set(objc_include_dirs ${BLOCKS_RUNTIME_INCLUDE_DIR} ${GNUSTEP_INCLUDE_DIRS})
  list(REMOVE_ITEM objc_include_dirs ${CMAKE_OBJCXX_IMPLICIT_INCLUDE_DIRECTORIES})
  # GNUstep's flags as FindGNUstepBase cleaned them, less those that serve only GNUstep's own build
  # (position-independent code, its diagnostics) and the definition it gives twice.
  set(objc_compile_options ${GNUSTEP_COMPILE_OPTIONS})
  list(REMOVE_ITEM objc_compile_options -fPIC -DGSWARN -DGSDIAGNOSE)
  list(REMOVE_DUPLICATES objc_compile_options)
  string(JOIN " " NVR_PC_OBJC_CFLAGS ${objc_compile_options} -fobjc-runtime=gcc -fblocks
         -I\${libdir}/cmake/Nuvra/gnustep)
  # Joined spellings: CMake's pkg-config module would merge repeated separate words.
  foreach(folder IN LISTS objc_include_dirs)
    string(APPEND NVR_PC_OBJC_CFLAGS " -isystem${folder}")
  endforeach()
  # clang has no headers of GCC's Objective-C runtime, and GCC keeps them in a folder of its own version:
  # the package carries a copy beside its blocks stand-in, so nuvra-objc.pc names no compiler's folder.
  install(DIRECTORY ${GCC_RUNTIME_INCLUDE_DIR}/objc DESTINATION ${NVR_CMAKE_PACKAGE_DIR}/gnustep)
  # The app's own blocks and Foundation calls need these too: the blocks runtime before gnustep-base.
  # Named as -l, with a -L only for a folder the linker does not search by itself.
  set(NVR_PC_OBJC_LIBS "")
  foreach(library IN ITEMS ${BLOCKS_RUNTIME_LIBRARY} ${GNUSTEP_BASE_LIBRARY})
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
