# Installs libbrixel.so with its headers, and the substitute host with its builder API, as
# the package brixel (find_package(brixel)): targets brixel::brixel and brixel::host.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(brixel_host PROPERTIES EXPORT_NAME host)
install(TARGETS brixel brixel_host
    EXPORT brixelTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The headers keep their repository paths ("brixel/framework/...", "host/..."), as sources
# include them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/brixel/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/brixel
    FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_SOURCE_DIR}/host/substitute_host.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/host)

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/brixel)
install(EXPORT brixelTargets NAMESPACE brixel:: DESTINATION ${config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/brixelConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/brixelConfig.cmake
    INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/brixelConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/brixelConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/brixelConfigVersion.cmake
    DESTINATION ${config_dir})
