# Install layout: the launcher on PATH, the program and libKeyHook in a
# private folder, the font with its licence, the menu entry and icons.
include(GNUInstallDirs)

# A private folder, as Debian keeps a program's own helpers and libraries.
set(VOKABO_PRIVATE_DIR lib/vokabo)
set(VOKABO_DATA_DIR ${CMAKE_INSTALL_DATADIR}/vokabo)

set_target_properties(vokabo PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(KeyHook PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS vokabo RUNTIME DESTINATION ${VOKABO_PRIVATE_DIR})
install(TARGETS KeyHook LIBRARY DESTINATION ${VOKABO_PRIVATE_DIR})

install(FILES ${CMAKE_BINARY_DIR}/res/triphibian.ttf ${CMAKE_SOURCE_DIR}/res/triphibian-LICENSE.txt
        DESTINATION ${VOKABO_DATA_DIR}/res)

# The launcher finds the program and the font relative to its own place, so
# the same file serves any prefix (the package's /usr, a test's folder).
set(VOKABO_FONT_DIR ${VOKABO_DATA_DIR}/res)
set(VOKABO_PROGRAM ${VOKABO_PRIVATE_DIR}/vokabo)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vokabo.in ${CMAKE_BINARY_DIR}/packaging/vokabo @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/vokabo DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/${VOKABO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/vokabo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/res/icons/vokabo-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vokabo.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vokabo)
set(CPACK_PACKAGE_VENDOR "Vokabo")
set(CPACK_PACKAGE_CONTACT "Vokabo developers <vokabo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "English vocabulary trainer for Japanese-speaking learners")
set(CPACK_PACKAGE_DESCRIPTION "Drills thirteen built-in English word lists with Japanese meanings and\nphonetic transcriptions in small always-on-top bars, with global hot keys,\nand keeps per-word counters in an SQLite file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries come from shlibdeps; the platform plugin, Qt's translations and
# the Japanese font are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
