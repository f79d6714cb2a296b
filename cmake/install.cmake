# What `cmake --install` puts where, besides the programs themselves.

# The help pages, which the program finds at <bin>/../share/trawler/help.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/help/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/trawler/help
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css")

# The desktop entry and the program's icon for desktop menus.
install(FILES ${PROJECT_SOURCE_DIR}/data/trawler.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/icons/trawler-program.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME trawler.svg)
