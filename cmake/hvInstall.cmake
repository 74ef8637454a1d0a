# Installation: headers, the shared library (and its import library on Windows), hvstream,
# a CMake package (find_package(hulvoStreaming) -> hulvoStreaming::hulvoStreaming) and a
# pkg-config file. Both package files locate the installation from where they lie, so a
# copy installed with --prefix (or moved afterwards) describes itself.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(hv_installed_targets hulvoStreaming)
if(TARGET hulvoStreaming_hvstream)
  list(APPEND hv_installed_targets hulvoStreaming_hvstream)
endif()
install(TARGETS ${hv_installed_targets} EXPORT hulvoStreamingTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/hulvoStreaming
  ${PROJECT_SOURCE_DIR}/platform/include/hv
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

set(hv_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/hulvoStreaming)
install(EXPORT hulvoStreamingTargets NAMESPACE hulvoStreaming:: DESTINATION ${hv_package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/hulvoStreamingConfig.cmake.in
  ${PROJECT_BINARY_DIR}/hulvoStreamingConfig.cmake INSTALL_DESTINATION ${hv_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/hulvoStreamingConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/hulvoStreamingConfig.cmake
  ${PROJECT_BINARY_DIR}/hulvoStreamingConfigVersion.cmake DESTINATION ${hv_package_dir})

# The pkg-config prefix is the way up from the .pc file's folder (${pcfiledir}), not the
# prefix known at configure time, which `cmake --install --prefix` does not rewrite.
set(hv_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE ${hv_pc_dir})
  set(HV_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH hv_pc_up /root/${hv_pc_dir} /root)
  string(REGEX REPLACE "/$" "" hv_pc_up "${hv_pc_up}")
  set(HV_PC_PREFIX "\${pcfiledir}/${hv_pc_up}")
endif()
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE ${CMAKE_INSTALL_${kind}})
    set(HV_PC_${kind} ${CMAKE_INSTALL_${kind}})
  else()
    set(HV_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/hulvoStreaming.pc.in
  ${PROJECT_BINARY_DIR}/hulvoStreaming.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/hulvoStreaming.pc DESTINATION ${hv_pc_dir})
