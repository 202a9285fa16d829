include(CMakePackageConfigHelpers)

set(VELA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VelaUtilities)

install(TARGETS VelaUtilities
  EXPORT VelaUtilitiesTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vela
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(EXPORT VelaUtilitiesTargets
  FILE VelaUtilitiesTargets.cmake
  NAMESPACE Vela::
  DESTINATION ${VELA_CMAKE_DIR})

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/VelaUtilitiesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VelaUtilitiesConfig.cmake
  INSTALL_DESTINATION ${VELA_CMAKE_DIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/VelaUtilitiesConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/VelaUtilitiesConfig.cmake
  ${PROJECT_BINARY_DIR}/VelaUtilitiesConfigVersion.cmake
  DESTINATION ${VELA_CMAKE_DIR})

if(BUILD_SHARED_LIBS)
  set(VELA_PC_CFLAGS "")
else()
  set(VELA_PC_CFLAGS "-DVELA_STATIC")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/VelaUtilities.pc.in
  ${PROJECT_BINARY_DIR}/VelaUtilities.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/VelaUtilities.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
