# Installation: headers, the shared library (and its import library on Windows), hvstream,
# a CMake package (find_package(hulvoStreaming) -> hulvoStreaming::hulvoStreaming) and a
# pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS hulvoStreaming hvstream EXPORT hulvoStreamingTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/hulvoStreaming platform/include/hv
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

set(hv_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/hulvoStreaming)
install(EXPORT hulvoStreamingTargets NAMESPACE hulvoStreaming:: DESTINATION ${hv_package_dir})
configure_package_config_file(cmake/hulvoStreamingConfig.cmake.in
  ${CMAKE_BINARY_DIR}/hulvoStreamingConfig.cmake INSTALL_DESTINATION ${hv_package_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/hulvoStreamingConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/hulvoStreamingConfig.cmake
  ${CMAKE_BINARY_DIR}/hulvoStreamingConfigVersion.cmake DESTINATION ${hv_package_dir})

configure_file(cmake/hulvoStreaming.pc.in ${CMAKE_BINARY_DIR}/hulvoStreaming.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/hulvoStreaming.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
