# What `cmake --install` lays out under the prefix, and the Debian package made from it.
#
#   lib/games/gorvane/bin/Gorvane    the program; finds its libraries through its run path
#   lib/games/gorvane/lib/           the engine library and the script module
#   lib/games/gorvane/data           a link to share/games/gorvane: "../data/" from the program
#   share/games/gorvane/             the game data, generated and hand-written
#   games/gorvane                    the launcher on the player's PATH
#   share/applications, share/icons/hicolor, share/metainfo, share/man/man6, share/doc/gorvane
#
# Nothing in it names the build tree: the run paths are relative to the program's own folder.
set(GORVANE_PRIVATE_DIR lib/games/gorvane)

set_target_properties(Gorvane PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
set_target_properties(Marrow PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS Gorvane RUNTIME DESTINATION ${GORVANE_PRIVATE_DIR}/bin)
install(TARGETS engine Marrow LIBRARY DESTINATION ${GORVANE_PRIVATE_DIR}/lib NAMELINK_SKIP)
install(DIRECTORY ${GORVANE_DATA_DIR}/ DESTINATION share/games/gorvane
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        PATTERN ".generated" EXCLUDE)
install(CODE "
    set(private \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${GORVANE_PRIVATE_DIR}\")
    file(REMOVE \"\${private}/data\")
    file(CREATE_LINK ../../../share/games/gorvane \"\${private}/data\" SYMBOLIC)
")
install(PROGRAMS ${CMAKE_SOURCE_DIR}/dist/gorvane.sh DESTINATION games RENAME gorvane)

# Desktop integration: the menu entry, its icon in every size, the software-centre metadata.
configure_file(${CMAKE_SOURCE_DIR}/dist/gorvane.desktop.in ${CMAKE_BINARY_DIR}/dist/${GORVANE_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/gorvane.metainfo.xml.in ${CMAKE_BINARY_DIR}/dist/${GORVANE_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/gorvane.6 ${CMAKE_BINARY_DIR}/dist/gorvane.6 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/changelog ${CMAKE_BINARY_DIR}/dist/changelog @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dist/${GORVANE_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/dist/${GORVANE_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${GORVANE_ICON_DIR}/ DESTINATION share/icons/hicolor)
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright DESTINATION share/doc/gorvane)
# The manual page and the changelog are installed compressed, as Debian has them.
install(CODE "
    set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share\")
    file(MAKE_DIRECTORY \"\${root}/man/man6\" \"\${root}/doc/gorvane\")
    execute_process(COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/dist/gorvane.6 OUTPUT_FILE \"\${root}/man/man6/gorvane.6.gz\" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/dist/changelog OUTPUT_FILE \"\${root}/doc/gorvane/changelog.gz\" COMMAND_ERROR_IS_FATAL ANY)
")

# The Debian package (scripts/package): the game alone, without the tests and tools.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arena shooter: survive the night against ever faster zombies")
set(CPACK_PACKAGE_DESCRIPTION "Gorvane is a small real-time 3D arena shooter. Seen from behind and
above, the player runs around a moonlit yard and fights zombies that climb out
of its grates ever faster, with a pistol, a shotgun and grenades, collects
pick-ups, builds kill combos and enters a name in a ten-entry high-score table.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Gorvane developers <developers@gorvane.net>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
# What the game loads by name rather than by linking: the renderer's plug-ins come with its
# library; the overlay font and the interpreter's standard library do not.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, libpython3.11-stdlib")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
