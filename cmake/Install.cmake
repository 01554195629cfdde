# Installs the libraries, their headers under include/nuvra/, a CMake package (find_package(Nuvra),
# target Nuvra::nvr) and a pkg-config file (nuvra.pc).
include(CMakePackageConfigHelpers)

set(NVR_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Nuvra)

install(TARGETS nvr EXPORT NuvraTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The Objective-C layer's headers go with its library, which is not installed yet.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/nuvra
  FILES_MATCHING PATTERN "*.h" PATTERN "platform" EXCLUDE)
install(EXPORT NuvraTargets NAMESPACE Nuvra:: DESTINATION ${NVR_CMAKE_PACKAGE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/NuvraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/NuvraConfig.cmake INSTALL_DESTINATION ${NVR_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/NuvraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/NuvraConfig.cmake ${PROJECT_BINARY_DIR}/NuvraConfigVersion.cmake
  DESTINATION ${NVR_CMAKE_PACKAGE_DIR})

configure_file(${PROJECT_SOURCE_DIR}/cmake/nuvra.pc.in ${PROJECT_BINARY_DIR}/nuvra.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/nuvra.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
