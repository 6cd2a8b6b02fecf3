# The Debian package (CPack's DEB generator), built by scripts/package.sh.
# The program folder is /opt/orvex01m, laid out as by a plain install; the
# desktop entry, icon, AppStream metainfo and documents go to /usr/share.
# The settings file, Database/ and ports/ are not files of the package: the
# maintainer scripts make them on the site and keep them until a purge.
set(ORVEX_PACKAGE_VERSION "${PROJECT_VERSION}" CACHE STRING "Version of the Debian package")
set(ORVEX_PACKAGE_DOC "" CACHE PATH "Folder with the package's changelog.gz (made by package.sh)")
set(_pkg ${CMAKE_CURRENT_LIST_DIR})

install(FILES ${_pkg}/orvex01m.desktop DESTINATION /usr/share/applications)
install(FILES ${_pkg}/orvex01m.svg DESTINATION /usr/share/icons/hicolor/scalable/apps)
install(FILES ${_pkg}/orvex01m.metainfo.xml DESTINATION /usr/share/metainfo)
install(FILES ${_pkg}/copyright ${_pkg}/README.Debian DESTINATION /usr/share/doc/orvex01m)
install(FILES ${_pkg}/99-orvex01m.rules DESTINATION /usr/share/doc/orvex01m/examples)
install(FILES ${_pkg}/lintian-overrides DESTINATION /usr/share/lintian/overrides
        RENAME orvex01m)
if(ORVEX_PACKAGE_DOC)
    install(FILES ${ORVEX_PACKAGE_DOC}/changelog.gz DESTINATION /usr/share/doc/orvex01m)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex01m)
set(CPACK_PACKAGE_VERSION "${ORVEX_PACKAGE_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/orvex01m)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data acquisition from gas-analyzer control units")
set(CPACK_PACKAGE_DESCRIPTION
    "Polls up to 15 gas-analyzer control units (8 channels each) on one RS-232 or\n\
RS-485 line, shows every channel as a coloured cell with a hint, records the\n\
readings in SQLite tables, sounds an alarm at the trip threshold and lets the\n\
operator browse, filter and plot the recorded data. Russian user interface.\n\
.\n\
The program folder is /opt/orvex01m, with the unit simulator unitsim and the\n\
table maker orvexdb. Operators need the groups orvex01m and dialout.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ORVEX-01m developers <orvex01m@orvex.ru>" CACHE STRING
    "Maintainer field of the package")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program loads at run time, beyond the libraries it links: the Qt
# platform plugins, the SQLite driver, Qt's Russian texts, the fonts the
# windows are drawn for, xdg-open for the alarm sound; adduser for the group.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "adduser, qt6-qpa-plugins, libqt6sql6-sqlite, qt6-translations-l10n, fonts-dejavu-core, fonts-liberation2, xdg-utils")
# Suggested: a direct player for a desktop without xdg-open's handlers, and
# Qt's PostgreSQL driver for a station whose alias names a database server.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pulseaudio-utils | pipewire-bin | alsa-utils, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${_pkg}/postinst;${_pkg}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
