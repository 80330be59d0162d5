# Debian package of the desktop client: `cpack -G DEB` in the build directory.
# Library dependencies come from dpkg-shlibdeps; the plugins loaded at run time
# (platform integration, SVG images for the icons) are added by name.
set(CPACK_PACKAGE_NAME "norvik-support")
set(CPACK_PACKAGE_VENDOR "Norvik")
set(CPACK_PACKAGE_CONTACT "Norvik Support <support@norvik.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_RELEASE "${NORVIK_BUILD_NUMBER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libheif is opened at run time, so the shared-library scan cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins, libheif1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, dbus-user-session")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
include(CPack)
