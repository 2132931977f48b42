# What `cmake --install` adds around the programs: the simulator daemon, the
# desktop entries, icons and AppStream metadata of the window and Livery, the
# manual pages and the package's copyright and changelog.
include(GNUInstallDirs)

install(TARGETS strandline-sim)
install(FILES docs/man/strandline.1 docs/man/livery.1 docs/man/strandline-sim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(STRANDLINE_GUI)
  install(FILES packaging/org.example.Strandline.desktop packaging/org.example.Livery.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/icons/org.example.Strandline.svg packaging/icons/org.example.Livery.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  configure_file(packaging/org.example.Strandline.metainfo.xml.in
                 "${CMAKE_BINARY_DIR}/share/org.example.Strandline.metainfo.xml" @ONLY)
  install(FILES "${CMAKE_BINARY_DIR}/share/org.example.Strandline.metainfo.xml"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(STRANDLINE_MAINTAINER "Strandline developers <strandline@example.org>")
configure_file(packaging/debian/changelog.in "${CMAKE_BINARY_DIR}/share/changelog" @ONLY)
install(FILES packaging/debian/copyright "${CMAKE_BINARY_DIR}/share/changelog"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/strandline)
