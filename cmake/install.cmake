# Installation and the Debian package.
#
# Layout under the prefix P:
#   P/lib/scourwell/        the program's folder: scourwell, scourwell-db, scourwell-cli,
#                           files.dat and RegBase.rgk
#   P/bin/                  relative links to the three programs
#   P/share/scourwell/assets the pictures of the window
#   P/share/applications, P/share/metainfo, P/share/icons/hicolor, P/share/man/man1
#
# The program reads files.dat and RegBase.rgk from the folder of its own executable (which
# the kernel reports with every link resolved, so starting it through P/bin still finds
# P/lib/scourwell), and the machine view never follows a link: they must be real files in
# that folder, not in bin/ and not linked from share/.

include(GNUInstallDirs)

set(SCOURWELL_PROGRAM_DIR lib/scourwell)

# The build tree mirrors the program folder: the pictures beside the executables.
file(GLOB SCOURWELL_PICTURES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/*.jpg)
set(BUILD_PICTURES)
foreach(picture ${SCOURWELL_PICTURES})
  get_filename_component(picture_name ${picture} NAME)
  set(target_picture ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/assets/${picture_name})
  add_custom_command(OUTPUT ${target_picture}
    COMMAND ${CMAKE_COMMAND} -E copy ${picture} ${target_picture}
    DEPENDS ${picture})
  list(APPEND BUILD_PICTURES ${target_picture})
endforeach()
add_custom_target(program_pictures ALL DEPENDS ${BUILD_PICTURES})
add_dependencies(shipped_data program_pictures)

# Relative links for P/bin, made once in the build tree and installed as links.
set(BIN_LINKS_DIR ${CMAKE_BINARY_DIR}/bin-links)
file(MAKE_DIRECTORY ${BIN_LINKS_DIR})
foreach(program scourwell scourwell-db scourwell-cli)
  file(CREATE_LINK ../${SCOURWELL_PROGRAM_DIR}/${program} ${BIN_LINKS_DIR}/${program} SYMBOLIC)
endforeach()

# Debian wants manual pages and the changelog compressed, reproducibly.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(CLI_MAN_PAGE ${CMAKE_BINARY_DIR}/packaging/scourwell-cli.1.gz)
set(PACKAGE_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${CLI_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_SOURCE_DIR}/docs/scourwell-cli.1 > ${CLI_MAN_PAGE}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/scourwell-cli.1)
add_custom_command(OUTPUT ${PACKAGE_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${PACKAGE_CHANGELOG}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
add_custom_target(packaging_files ALL DEPENDS ${CLI_MAN_PAGE} ${PACKAGE_CHANGELOG})

install(TARGETS scourwell scourwell-db scourwell-cli RUNTIME DESTINATION ${SCOURWELL_PROGRAM_DIR})
install(FILES ${SHIPPED_DB} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/RegBase.rgk
  DESTINATION ${SCOURWELL_PROGRAM_DIR})
install(FILES ${BIN_LINKS_DIR}/scourwell ${BIN_LINKS_DIR}/scourwell-db
  ${BIN_LINKS_DIR}/scourwell-cli DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${SCOURWELL_PICTURES} DESTINATION ${CMAKE_INSTALL_DATADIR}/scourwell/assets)
install(FILES packaging/org.scourwell.Scourwell.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/org.scourwell.Scourwell.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
  install(FILES packaging/icons/${size}x${size}/scourwell.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CLI_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${PACKAGE_CHANGELOG}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/scourwell)

# --- the Debian package: cpack -G DEB in the build folder ------------------------------------
set(CPACK_PACKAGE_NAME scourwell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Scourwell developers")
set(CPACK_PACKAGE_CONTACT "Scourwell developers <scourwell@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "junk and malware clean-up utility")
set(CPACK_PACKAGE_DESCRIPTION
  "Scourwell finds oversized folders and files and the junk in the temporary\n\
folder, grades them against the size of their drive, and runs a\n\
signature-driven malware scan. Found objects are reviewed in one list and\n\
cleaned up; infected files are kept in a quarantine from which they can be\n\
restored. The command-line companion scourwell-cli does the same without a\n\
display.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shell's "open" (the scan log) goes through the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)

# --- tests of the installation and of the package (ctest -L install / -L package) -----------
add_test(NAME install_tree
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_tree PROPERTIES LABELS install TIMEOUT 300
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SCOURWELL_MACHINE=")
add_test(NAME debian_package
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/package_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(debian_package PROPERTIES LABELS package TIMEOUT 600
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SCOURWELL_MACHINE=")
