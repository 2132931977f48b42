# Read by cpack: the programs look for their shared files under the prefix
# they were built for, so a Debian package is made only from a /usr build.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_STRANDLINE_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "The Debian package needs a build configured with "
                      "-DCMAKE_INSTALL_PREFIX=/usr (this one: ${CPACK_STRANDLINE_INSTALL_PREFIX}); "
                      "scripts/package makes one")
endif()
