# Installation (GNUInstallDirs) and the packages: `cmake --install` / `cpack` in a release build.
# Symbols, the emoji catalogue and other data are compiled into the executable, so what lands
# beside it on Linux is what the desktop needs (the entry, the icons, the metainfo) and the
# command-line tool's man page, and cpack makes a Debian package. On a Mac the bundle holds it all
# (cmake/KestrineMacBundle.cmake) and cpack makes a disk image to drag it from.
set(kestrine_app_id app.kestrine.Kestrine)
set(kestrine_packaging ${CMAKE_SOURCE_DIR}/packaging)

if(NOT APPLE)
    install(FILES ${kestrine_packaging}/${kestrine_app_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${kestrine_packaging}/${kestrine_app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${kestrine_packaging}/icons/${kestrine_app_id}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    file(GLOB kestrine_icon_sizes LIST_DIRECTORIES true RELATIVE ${kestrine_packaging}/icons
        ${kestrine_packaging}/icons/*x*)
    foreach(size ${kestrine_icon_sizes})
        install(FILES ${kestrine_packaging}/icons/${size}/${kestrine_app_id}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
    endforeach()
    install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrine)
    install(FILES ${kestrine_packaging}/kestrine-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME kestrine)
set(CPACK_PACKAGE_VENDOR Kestrine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrine developers <developers@kestrine.app>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://kestrine.app)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Deeplink tester for iOS and Android simulators, emulators and devices")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The first line of the control file's description is the summary above; CPack indents these.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kestrine keeps deeplinks (a title and a URL) in collections marked with an
emoji and a colour, edits a URL as a whole or component by component, opens
a deeplink on an iOS simulator or device through the tools of a chosen Xcode,
or on an Android emulator or phone through adb, runs a whole collection automatically and moves collections in
and out as JSON files.")
# Libraries come from dpkg-shlibdeps; the plugins Qt loads at run time are not linked, so
# the SQLite driver of the store is named here (the SVG plugins come with libqt6svg6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# adb reaches Android emulators and phones; without it Kestrine lists iOS destinations only.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, adb")
if(APPLE)
    set(CPACK_GENERATOR DragNDrop)
    set(CPACK_DMG_VOLUME_NAME Kestrine)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
include(CPack)
