# Installation and the Debian package (cpack -G DEB in the build folder):
# the command-line tool, the window when it is built, the manual page, the
# bash completion, and the schema, the server script and the bundled data
# under /usr/share/velartis. Included last, once every target exists.
include(GNUInstallDirs)

set(va_share ${CMAKE_INSTALL_DATADIR}/velartis)
install(TARGETS velartis-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/tools/schema.sql ${PROJECT_SOURCE_DIR}/tools/sample_data.sql
              ${PROJECT_SOURCE_DIR}/data/VAconfig.vac ${PROJECT_SOURCE_DIR}/data/Default.cfg
        DESTINATION ${va_share})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/dbserver.sh DESTINATION ${va_share})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velartis)
install(FILES ${PROJECT_SOURCE_DIR}/tools/completion/velartis-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The manual page with the project's version, compressed as Debian keeps them.
set(va_man ${CMAKE_BINARY_DIR}/man/velartis-cli.1)
set(VERSION ${PROJECT_VERSION})
configure_file(${PROJECT_SOURCE_DIR}/tools/man/velartis-cli.1 ${va_man} @ONLY)
find_program(VA_GZIP gzip)
if(VA_GZIP)
  add_custom_command(OUTPUT ${va_man}.gz COMMAND ${VA_GZIP} -9nf ${va_man} -c > ${va_man}.gz
                     DEPENDS ${va_man} VERBATIM)
  add_custom_target(velartis_man ALL DEPENDS ${va_man}.gz)
  install(FILES ${va_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${va_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(TARGET velartis)
  install(TARGETS velartis RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/tools/desktop/velartis.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/desktop/velartis.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/desktop/velartis-48.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME velartis.png)
  # Qt finds its platform plugins at run time: no library names them. The
  # window keeps its database password through QtKeychain.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6keychain1")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velartis)
set(CPACK_PACKAGE_VENDOR Velartis)
set(CPACK_PACKAGE_CONTACT "Velartis developers <velartis@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "channel lists for digital satellite receivers")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Velartis downloads satellites, transponders, channels, bouquets and\n"
       "favourites from a MariaDB channel database server and writes complete\n"
       "channel lists in the file formats of several receiver families: Enigma2,\n"
       "Enigma1, NDF, AZbox, SB-5 / S2 HD and Pvr-ST1 / Pvr-JS1. velartis-cli runs\n"
       "a download and the lists unattended.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dbserver.sh runs a private channel database server; without Qt's
# translations its boxes and dialogs stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mariadb-server, mariadb-client, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
include(CPack)
