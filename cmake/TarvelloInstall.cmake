# What `cmake --install` puts under the prefix, in the usual places
# (GNUInstallDirs): the program, its desktop entry and icons, the udev rule
# for the module's cable, the manual, the manual page and the copyright file.
# The Debian package (cmake/TarvelloPackage.cmake) is made from the same tree.

include(GNUInstallDirs)

set(TARVELLO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(TARVELLO_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tarvello-setup)

install(TARGETS tarvello-setup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${TARVELLO_PACKAGING_DIR}/tarvello-setup.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon: the SVG for any size, and the PNGs drawn from it
# (resources/icons/make-icons.sh) for menus that want a bitmap.
install(FILES ${PROJECT_SOURCE_DIR}/resources/illustrations/128.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME tarvello-setup.svg)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME tarvello-setup.png)
endforeach()

# udev reads rules below the prefix's lib/ itself (not the multiarch libdir):
# /usr/lib/udev/rules.d for a package, /usr/local/lib/udev/rules.d otherwise.
install(FILES ${TARVELLO_PACKAGING_DIR}/60-tarvello-setup.rules
        DESTINATION lib/udev/rules.d)

# The installer's manual, HTML in docs/manual/; F1 opens it from here. Taken
# as it is at install time, and left out while there is none.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual/
        DESTINATION ${TARVELLO_DOC_DIR}/manual
        OPTIONAL)

# The manual page and the changelog go compressed, as Debian wants them;
# man reads the compressed page as it is. gzip -n leaves out name and time,
# so that the files are the same on every build.
find_program(TARVELLO_GZIP gzip REQUIRED)
configure_file(${TARVELLO_PACKAGING_DIR}/tarvello-setup.1.in
               ${PROJECT_BINARY_DIR}/packaging/tarvello-setup.1 @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/tarvello-setup.1.gz
  COMMAND ${TARVELLO_GZIP} -9 -n -c ${PROJECT_BINARY_DIR}/packaging/tarvello-setup.1
          > ${PROJECT_BINARY_DIR}/packaging/tarvello-setup.1.gz
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/tarvello-setup.1
  COMMENT "Compressing the manual page"
  VERBATIM)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${TARVELLO_GZIP} -9 -n -c ${TARVELLO_PACKAGING_DIR}/changelog
          > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${TARVELLO_PACKAGING_DIR}/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(tarvello_packaging_files ALL
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/tarvello-setup.1.gz
          ${PROJECT_BINARY_DIR}/packaging/changelog.gz)

install(FILES ${PROJECT_BINARY_DIR}/packaging/tarvello-setup.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TARVELLO_PACKAGING_DIR}/copyright
              ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${TARVELLO_DOC_DIR})
