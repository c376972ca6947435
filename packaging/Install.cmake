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
# The software centres' description of the program, named for its app id.
configure_file(${CMAKE_CURRENT_LIST_DIR}/${VOKABO_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/packaging/${VOKABO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VOKABO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/vokabo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/res/icons/vokabo-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vokabo.png)
endforeach()

# Debian's documentation of a package: its copyright and changelog, the
# changelog compressed as policy asks (-n: no name or time stamp, so two
# builds of one tree give the same bytes).
set(VOKABO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vokabo)
set(VOKABO_DEB_RELEASE 1)
# Vokabo has no mail address. A name under .invalid (reserved, RFC 2606) is
# the honest form of "none": lintian accepts it, and nobody can mistake it
# for a place that answers.
set(VOKABO_MAINTAINER "Vokabo developers <nobody@vokabo.invalid>")
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.Debian ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
    VERBATIM)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vokabo.1 ${CMAKE_BINARY_DIR}/packaging/vokabo.1 @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/vokabo.1.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/vokabo.1
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/vokabo.1
    VERBATIM)
add_custom_target(vokabo_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
                                          ${CMAKE_BINARY_DIR}/packaging/vokabo.1.gz)
add_dependencies(vokabo vokabo_docs)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${VOKABO_DOC_DIR})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vokabo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME vokabo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vokabo)
set(CPACK_PACKAGE_VENDOR "Vokabo")
set(CPACK_PACKAGE_CONTACT "${VOKABO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "English vocabulary trainer for Japanese-speaking learners")
set(CPACK_PACKAGE_DESCRIPTION "Drills thirteen built-in English word lists with Japanese meanings and\nphonetic transcriptions in small always-on-top bars, with global hot keys,\nand keeps per-word counters in an SQLite file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VOKABO_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION education)
# CPack's own dpkg-shlibdeps run would also add ldconfig calls to postinst
# and postrm for any library under /usr/lib, though libKeyHook sits in a
# private folder found through RUNPATH and ldconfig never sees it. So the
# library dependencies are computed by Depends.cmake, at packaging time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
# The platform plugin, Qt's translations and the Japanese font are loaded at
# run time, so no library scan finds them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-ipafont-gothic")
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/Depends.cmake
     INPUT ${CMAKE_CURRENT_LIST_DIR}/Depends.cmake.in)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/Depends.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
