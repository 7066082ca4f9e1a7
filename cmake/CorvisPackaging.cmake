# Install rules and the Debian packages (CPack's DEB generator; scripts/package.sh runs it):
#
#   corvisbench        the workbench, its libraries and pictures under the install root, the
#                      desktop and autostart entries, the themed icons
#   corvisbench-tools  corvissim, corvisctlsim, corvisinspect, corvistoken and the software token
#                      library, beside the workbench (they use its libraries)
#
# The configuration under ini/ belongs to the sibling services that write it: it is never in a
# package, so an upgrade or a removal cannot touch it.

set(CORVIS_INSTALL_ROOT /opt/quintrel/orvane)
set(CORVIS_INSTALL_BIN ${CORVIS_INSTALL_ROOT}/bin)
set(CORVIS_INSTALL_LIB ${CORVIS_INSTALL_ROOT}/lib)
set(pkgdir ${CMAKE_SOURCE_DIR}/packaging)

# Installed programs find the libraries in ../lib, wherever the tree was unpacked.
get_property(corvis_libraries GLOBAL PROPERTY CORVIS_LAYER_TARGETS)
set(corvis_tools corvissim corvisctlsim corvisinspect corvistoken)
set_target_properties(corvisbench ${corvis_libraries} ${corvis_tools} corvisskf
                      PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")

set(library_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(TARGETS corvisbench RUNTIME DESTINATION ${CORVIS_INSTALL_BIN} COMPONENT main)
install(TARGETS ${corvis_libraries} LIBRARY DESTINATION ${CORVIS_INSTALL_LIB}
        PERMISSIONS ${library_permissions} COMPONENT main)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/installroot/resource
        DESTINATION ${CORVIS_INSTALL_ROOT} COMPONENT main)
install(FILES ${pkgdir}/corvisbench.desktop DESTINATION /usr/share/applications COMPONENT main)
install(FILES ${pkgdir}/corvisbench-autostart.desktop DESTINATION /etc/xdg/autostart
        RENAME corvisbench.desktop COMPONENT main)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/${size}/corvisbench.png
          DESTINATION /usr/share/icons/hicolor/${size}x${size}/apps COMPONENT main)
endforeach()
# The install root lives in /opt by design: the sibling services and the customers' scripts
# expect it there.
install(FILES ${pkgdir}/lintian-overrides DESTINATION /usr/share/lintian/overrides
        RENAME corvisbench COMPONENT main)

install(TARGETS ${corvis_tools} RUNTIME DESTINATION ${CORVIS_INSTALL_BIN} COMPONENT tools)
install(TARGETS corvisskf LIBRARY DESTINATION ${CORVIS_INSTALL_LIB}
        PERMISSIONS ${library_permissions} COMPONENT tools)
install(FILES ${pkgdir}/lintian-overrides DESTINATION /usr/share/lintian/overrides
        RENAME corvisbench-tools COMPONENT tools)

# changelog.gz and copyright in each package's doc folder; the changelog's version is the
# project's.
file(STRINGS ${pkgdir}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^corvisbench \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry must be version ${PROJECT_VERSION}")
endif()
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9nc ${pkgdir}/changelog > ${changelog_gz}
  DEPENDS ${pkgdir}/changelog VERBATIM)
add_custom_target(corvis_changelog ALL DEPENDS ${changelog_gz})
foreach(component main tools)
  if(component STREQUAL "main")
    set(package corvisbench)
  else()
    set(package corvisbench-tools)
  endif()
  install(FILES ${changelog_gz} ${pkgdir}/copyright DESTINATION /usr/share/doc/${package}
          COMPONENT ${component})
endforeach()

# What the packages hold, built by scripts/package.sh; installing needs no other target built.
add_custom_target(corvis_package_contents DEPENDS corvisbench ${corvis_libraries} ${corvis_tools} corvisskf
                                                  corvis_changelog)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvisbench)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "corvisbench developers")
set(CPACK_PACKAGE_CONTACT "corvisbench developers <dev@corvisbench.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL main tools)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_MAIN_PACKAGE_NAME corvisbench)
set(CPACK_DEBIAN_MAIN_PACKAGE_SECTION net)
# CPack indents the lines after the first.
set(CPACK_DEBIAN_MAIN_DESCRIPTION "zero-trust access client workbench
The desktop workbench of a software-defined-perimeter access client: the
login (password, SMS and image codes, QR code, USB-key certificate), the
single-packet authorization page, the application portal, the secure
sandbox, device information, the dynamic-authorization score and the
version check. It drives the client's local services over unix sockets and
starts with the desktop session.")
set(CPACK_DEBIAN_MAIN_PACKAGE_CONTROL_EXTRA ${pkgdir}/conffiles)

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME corvisbench-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "corvisbench (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "test and diagnostic tools for the corvisbench workbench
Simulated local services (corvissim), a loopback controller and sandbox
service (corvisctlsim), the diagnostics that print what the workbench reads
(corvisinspect), and the software USB-key token with its tool (corvistoken).
For test machines and support staff; not needed to run the workbench.")

include(CPack)
