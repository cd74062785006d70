# What `cmake --install` puts in place and how `cpack -G DEB` splits it into packages:
# tidewell (both programs), libgraphics1 (the run-time library), libgraphics-dev (header,
# CMake package, pkg-config file, development link) and pics (the picture tool).
include(GNUInstallDirs)

set(GRAPHICS_SOVERSION 1)
set_target_properties(Graphics PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${GRAPHICS_SOVERSION})
install(TARGETS Graphics
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libgraphics1 NAMELINK_SKIP)
install(TARGETS Graphics
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libgraphics-dev NAMELINK_ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/graphics/include/Pics.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT libgraphics-dev)

include(CMakePackageConfigHelpers)
set(GRAPHICS_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Graphics)
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/GraphicsConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/packaging/GraphicsConfig.cmake
                              INSTALL_DESTINATION ${GRAPHICS_CMAKE_DIR}
                              PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/GraphicsConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/GraphicsConfig.cmake
              ${CMAKE_BINARY_DIR}/packaging/GraphicsConfigVersion.cmake
        DESTINATION ${GRAPHICS_CMAKE_DIR} COMPONENT libgraphics-dev)
# The pkg-config file finds the prefix from its own place, so that it holds wherever the
# tree is installed or unpacked.
file(RELATIVE_PATH GRAPHICS_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/packaging/graphics.pc.in
               ${CMAKE_BINARY_DIR}/packaging/graphics.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/graphics.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT libgraphics-dev)

foreach(program tidewell tidewell-gen)
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tidewell)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/man/${program}.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tidewell)
endforeach()
# The unit that carries out deferred replacements at boot goes with the client.
# It names the program where this installation puts it: the prefix is the one of the
# install step (a package's /usr, not the build's default), so the unit is made then.
set(TIDEWELL_UNIT ${CMAKE_BINARY_DIR}/packaging/tidewell-apply-pending.service)
install(CODE "
  set(CMAKE_INSTALL_FULL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/systemd/tidewell-apply-pending.service.in\"
                 \"${TIDEWELL_UNIT}\" @ONLY)" COMPONENT tidewell)
install(FILES ${TIDEWELL_UNIT} DESTINATION lib/systemd/system COMPONENT tidewell)
# Installed beside the library it was built with, pics finds it without a search path.
install(TARGETS pics RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT pics)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/man/pics.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT pics)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane release engineering <release@corvane.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tidewell libgraphics1 libgraphics-dev pics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# dpkg-shlibdeps finds libGraphics.so.1 where it was built; the explicit dependency names its package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_LIBGRAPHICS1_PACKAGE_NAME libgraphics1)
set(CPACK_DEBIAN_LIBGRAPHICS1_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBGRAPHICS-DEV_PACKAGE_NAME libgraphics-dev)
set(CPACK_DEBIAN_LIBGRAPHICS-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBGRAPHICS-DEV_PACKAGE_DEPENDS "libgraphics1 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PICS_PACKAGE_NAME pics)
set(CPACK_DEBIAN_PICS_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PICS_PACKAGE_DEPENDS "libgraphics1 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TIDEWELL_PACKAGE_NAME tidewell)
set(CPACK_COMPONENT_TIDEWELL_DESCRIPTION "Corvane's updater: client and update-set generator")
set(CPACK_COMPONENT_LIBGRAPHICS1_DESCRIPTION "Corvane's picture library (run-time)")
set(CPACK_COMPONENT_LIBGRAPHICS-DEV_DESCRIPTION "Corvane's picture library (header, CMake and pkg-config files)")
set(CPACK_COMPONENT_PICS_DESCRIPTION "Command-line tool over Corvane's picture library")
include(CPack)
