# The Debian package: `cpack` in a build folder makes tavrin_1.0_amd64.deb. Its library
# dependencies are computed from the binary (dpkg-shlibdeps); the fonts are named because
# the windows are laid out for Arial's metrics, which Liberation Sans has.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ketno Eletrônica")
set(CPACK_PACKAGE_CONTACT "Ketno Eletrônica <tavrin@ketno.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial terminal for teaching microcontroller communication")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavrin talks to a device over an RS-232 serial port: open a port, type a short\ncommand, send it one character at a time and watch the answer. Two lamps show\nwhether the port is open and whether a device asserts DSR.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://ketno.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
