# The Debian package tarvello-setup, made by CPack from the install tree
# (cmake/TarvelloInstall.cmake): `cpack -G DEB` in the build folder, or
# scripts/package.sh, which also checks it with lintian.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvello-setup)
set(CPACK_PACKAGE_VENDOR Tarvello)
set(CPACK_PACKAGE_CONTACT "Tarvello <support@tarvello.ru>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "setup program for the Tarvello rear-view camera overlay module")
# The long description; CPack puts the summary line above it, indents each
# line by one space and turns the empty line into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"The TRX-G-K4 module sits between a car's rear-view camera and its monitor
and lays guide lines, a parking-sensor indicator and a warning picture over
the camera picture. This program finds the module over its FTDI USB bridge
or a serial port and walks the installer through a wizard (in Russian):
reference points read off the module's calibration grid, fitted guide lines
and labels, line thickness, mirroring, parking sensor and warning time. It
writes the pictures and settings into the module and keeps configurations
in INI files.

The package includes a udev rule that gives the dialout group access to the
cable and keeps ModemManager away from it, and the installer's manual.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; what it loads at
# run time is listed here: the Qt platform plugins, Qt's Russian texts for
# the standard dialogs, and the font of the labels drawn into the picture.
# Qt's HTTP server and libqrencode (the phone's page and its QR code) are
# linked, so dpkg-shlibdeps names them (libqt6httpserver6, libqrencode4).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-dejavu-core")
# xdg-open shows the manual in the desktop's browser (the program has a
# window of its own otherwise).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
