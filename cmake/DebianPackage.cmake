# The Debian package, built by `cpack -G DEB` (scripts/package) from a build
# configured for the prefix /usr. Library dependencies come from the binaries;
# the maintainer scripts give the frame-sending programs their group, mode and
# file capabilities.
set(STRANDLINE_GROUP strandline)
# The programs that send management frames. The simulator daemon gets no
# capabilities: it answers as a powerline adapter, which only root may set up.
set(STRANDLINE_CAPTURE_PROGRAMS "${CMAKE_INSTALL_FULL_BINDIR}/strandline-cli")
if(STRANDLINE_GUI)
  string(PREPEND STRANDLINE_CAPTURE_PROGRAMS "${CMAKE_INSTALL_FULL_BINDIR}/strandline ")
endif()

set(maintainer_scripts "${CMAKE_BINARY_DIR}/debian")
foreach(script postinst postrm)
  configure_file(packaging/debian/${script}.in "${maintainer_scripts}/${script}" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME strandline)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${STRANDLINE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage powerline Ethernet adapters (HomePlug AV and 1.0)")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://strandline.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# setcap and groupadd for the maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin, passwd")
# CPack puts the summary first, as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Strandline finds the powerline adapter on every network card and the
stations behind it, and shows their names, MAC addresses, password state,
link quality and rates. It forms private networks from a network name, adds
devices by their printed password, keeps a database of every device seen,
changes QoS and LED settings, upgrades firmware and writes diagnostics.
.
The package holds the window (strandline), the command line program
(strandline-cli), the OEM preferences editor (livery) and a simulated
network daemon (strandline-sim) for demonstrations and tests. The programs
that send raw frames may be run by root and the members of the group
strandline.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${maintainer_scripts}/postinst;${maintainer_scripts}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Manual pages and the changelog go into the package compressed.
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/CompressDocs.cmake")
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_STRANDLINE_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake")
include(CPack)
