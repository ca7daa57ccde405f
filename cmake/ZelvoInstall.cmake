include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

get_property(_zelvo_rooms GLOBAL PROPERTY ZELVO_MEDIA_ROOMS)
get_property(_zelvo_platform_parts GLOBAL PROPERTY ZELVO_PLATFORM_PARTS)
install(TARGETS zelvo ${_zelvo_rooms} zelvo_platform ${_zelvo_platform_parts} EXPORT ZelvoTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/zelvo DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ZelvoTargets NAMESPACE Zelvo:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelvo)

# Packages whose imported targets the static libraries link: the config finds them again.
get_property(_zelvo_deps GLOBAL PROPERTY ZELVO_PACKAGE_DEPENDENCIES)
set(ZELVO_CONFIG_DEPENDENCIES "")
foreach(_dep IN LISTS _zelvo_deps)
  string(APPEND ZELVO_CONFIG_DEPENDENCIES "find_dependency(${_dep})\n")
endforeach()
configure_package_config_file(cmake/ZelvoConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ZelvoConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelvo)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZelvoConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZelvoConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/ZelvoConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelvo)
