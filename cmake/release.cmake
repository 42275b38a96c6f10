# The release, all from the 32-bit PE: a zip, a 1.44 MB floppy image and an ISO 9660 CD image
# with Joliet names, each holding brackenholm.exe and README.TXT, and the SHA-256 sums of the
# three, in release/ of the build tree.
set(README_TXT ${PROJECT_BINARY_DIR}/README.TXT)
add_custom_command(OUTPUT ${README_TXT}
    COMMAND sh -c "LC_ALL=C awk -v version=$0 -f $1 $2 > $3.new && mv $3.new $3"
            ${PROJECT_VERSION} ${CMAKE_CURRENT_LIST_DIR}/readme_txt.awk
            ${PROJECT_SOURCE_DIR}/README.md ${README_TXT}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/readme_txt.awk ${PROJECT_SOURCE_DIR}/README.md
    VERBATIM)

# CPack installs into its own tree; the release target has built what it installs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(TARGETS brackenholm RUNTIME DESTINATION .)
install(FILES ${README_TXT} DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(RELEASE_NAME brackenholm-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_FILE_NAME ${RELEASE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)

set(RELEASE_DIR ${PROJECT_BINARY_DIR}/release)
set(RELEASE ${RELEASE_DIR}/${RELEASE_NAME})
add_custom_command(OUTPUT ${RELEASE}.zip ${RELEASE}.img ${RELEASE}.iso ${RELEASE}.sha256
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/make_release.sh ${CMAKE_CPACK_COMMAND}
            ${PROJECT_BINARY_DIR}/CPackConfig.cmake ${PROJECT_SOURCE_DIR} $<TARGET_FILE:brackenholm>
            ${README_TXT} ${RELEASE}
    DEPENDS brackenholm ${README_TXT} ${CMAKE_CURRENT_LIST_DIR}/make_release.sh
    VERBATIM)
add_custom_target(release ALL DEPENDS ${RELEASE}.zip ${RELEASE}.img ${RELEASE}.iso ${RELEASE}.sha256)
