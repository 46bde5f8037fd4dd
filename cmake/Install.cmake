# What an installed Tallyline brings besides its executables and shipped
# files (src/CMakeLists.txt): the desktop entry, the icons, the software
# centre's metadata and the manual pages; and the Debian package made of the
# whole install (cpack -G DEB in the build folder).

include(GNUInstallDirs)

set(TALLYLINE_APP_ID org.example.Tallyline)
set(TALLYLINE_ICON_SIZES 16 22 24 32 48 64 128 256)

install(FILES "${CMAKE_SOURCE_DIR}/data/desktop/${TALLYLINE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
install(FILES "${CMAKE_SOURCE_DIR}/data/desktop/${TALLYLINE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")
install(FILES "${CMAKE_SOURCE_DIR}/data/icons/tallyline.svg"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps")
# Rendered from the SVG by scripts/render-icons.sh and kept in the tree.
foreach(size IN LISTS TALLYLINE_ICON_SIZES)
    install(FILES "${CMAKE_SOURCE_DIR}/data/icons/${size}x${size}/tallyline.png"
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps")
endforeach()
install(FILES
        "${CMAKE_SOURCE_DIR}/docs/man/tallyline.1"
        "${CMAKE_SOURCE_DIR}/docs/man/tallyline-line.1"
        "${CMAKE_SOURCE_DIR}/docs/man/tallyline-cli.1"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyline)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Orvane Software")
set(CPACK_PACKAGE_CONTACT "Orvane Software <support@tallyline.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cost meter for dial-up and other metered internet links")
# One paragraph in lines of under 80 characters, as the control file wants.
set(CPACK_PACKAGE_DESCRIPTION [[
Tallyline sits in the system tray and notices when the computer goes
online over a metered link, such as a dial-up connection through pppd.
It records each online period as a session of the logged-in user, prices
it second by second from that user's tariff, and keeps daily and
billing-period totals, alarms that can hang up the line, session lists,
reports and a bill. tallyline-cli answers read-only queries on the
sessions from the shell.]])
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tallyline.example.org/")
# The libraries the executables link come from dpkg-shlibdeps; Qt's plugins
# (Wayland and other platforms) and pppd are loaded or run, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ppp, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
