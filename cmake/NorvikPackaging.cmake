# Debian packages: `cpack -G DEB` in the build directory makes two,
# norvik-support (the desktop client, component "client") and norvik-server
# (component "server"). Library dependencies come from dpkg-shlibdeps; the
# plugins loaded at run time (platform integration, SVG images for the icons,
# the SQL drivers) are added by name.
set(CPACK_PACKAGE_NAME "norvik-support")
set(CPACK_PACKAGE_VENDOR "Norvik")
set(CPACK_PACKAGE_CONTACT "Norvik Support <support@norvik.example>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
# No shared summary: CPack would put it in front of both packages' own
# descriptions below, whose first lines are their summaries.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_PACKAGE_RELEASE "${NORVIK_BUILD_NUMBER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL client server)

set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME "norvik-support")
set(CPACK_DEBIAN_CLIENT_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_CLIENT_DESCRIPTION "${PROJECT_DESCRIPTION}")
# libheif is opened at run time, so the shared-library scan cannot see it.
set(CPACK_DEBIAN_CLIENT_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins, libheif1")
set(CPACK_DEBIAN_CLIENT_PACKAGE_RECOMMENDS "qt6-translations-l10n, dbus-user-session")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME "norvik-server")
set(CPACK_DEBIAN_SERVER_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_SERVER_DESCRIPTION "Norvik Support server, REST and WebSocket service of the support desk
The server the Norvik Support client talks to: REST, WebSocket pushes and the
update feed, on an SQLite file or on a PostgreSQL database shared by several
instances. Ships a hardened systemd unit, norvik-server.service.")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "postgresql")
include(CPack)
