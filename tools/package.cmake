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
set(va_doc ${CMAKE_INSTALL_DATADIR}/doc/velartis)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/tools/debian/copyright
        DESTINATION ${va_doc})
install(FILES ${PROJECT_SOURCE_DIR}/tools/server/velartis-server.cnf
        DESTINATION ${va_doc}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/tools/completion/velartis-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The manual pages and the changelog with the project's version, compressed
# as Debian keeps them (gzip -9n: no name or time stamp in the file). The
# package is its own upstream, so its changelog is the native "changelog".
set(VERSION ${PROJECT_VERSION})
find_program(VA_GZIP gzip)
set(va_gz_files)
function(va_install_gz src out dest)
  configure_file(${src} ${out} @ONLY)
  if(VA_GZIP)
    add_custom_command(OUTPUT ${out}.gz COMMAND ${VA_GZIP} -9nf ${out} -c > ${out}.gz
                       DEPENDS ${out} VERBATIM)
    set(va_gz_files ${va_gz_files} ${out}.gz PARENT_SCOPE)
    install(FILES ${out}.gz DESTINATION ${dest})
  else()
    install(FILES ${out} DESTINATION ${dest})
  endif()
endfunction()
va_install_gz(${PROJECT_SOURCE_DIR}/tools/man/velartis-cli.1 ${CMAKE_BINARY_DIR}/man/velartis-cli.1
              ${CMAKE_INSTALL_MANDIR}/man1)
va_install_gz(${PROJECT_SOURCE_DIR}/tools/debian/changelog ${CMAKE_BINARY_DIR}/debian/changelog
              ${va_doc})

if(TARGET velartis)
  install(TARGETS velartis RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  va_install_gz(${PROJECT_SOURCE_DIR}/tools/man/velartis.1 ${CMAKE_BINARY_DIR}/man/velartis.1
                ${CMAKE_INSTALL_MANDIR}/man1)
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

if(va_gz_files)
  add_custom_target(velartis_gz ALL DEPENDS ${va_gz_files})
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
# translations its boxes and dialogs stay English; the completion needs
# bash-completion to be loaded.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "mariadb-server, mariadb-client, qt6-translations-l10n, bash-completion")
include(CPack)
