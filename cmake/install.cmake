# What `cmake --install` puts under the prefix: the two programs, the menu
# entry with its file type and icons, the manual pages, the completion and
# the English language file (NLS.49 the program writes itself, per user; the
# shipped files are copied into the user's language folder at first use).
include(GNUInstallDirs)

if(TARGET rowsmith)
  install(TARGETS rowsmith RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET rowsmith-convert)
  install(TARGETS rowsmith-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(ROWSMITH_DIST_DIR ${PROJECT_SOURCE_DIR}/dist)
foreach(page rowsmith.1 rowsmith-convert.1)
  configure_file(${ROWSMITH_DIST_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

install(FILES ${ROWSMITH_DIST_DIR}/rowsmith.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ROWSMITH_DIST_DIR}/rowsmith-gedcom.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${ROWSMITH_DIST_DIR}/icons/rowsmith.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128)
  install(FILES ${ROWSMITH_DIST_DIR}/icons/rowsmith-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME rowsmith.png)
endforeach()
install(FILES ${ROWSMITH_DIST_DIR}/rowsmith-convert.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME rowsmith-convert)
install(FILES ${PROJECT_SOURCE_DIR}/data/nls/NLS.44 DESTINATION ${CMAKE_INSTALL_DATADIR}/rowsmith/NLS)
