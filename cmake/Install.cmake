# What `cmake --install` puts where, and the Debian package `cpack -G DEB`
# makes of it. The version comes from project() and nowhere else.
include(GNUInstallDirs)

set(CAMDRIFT_TOOLS camdrift camdrift-preview)
if(TARGET camdrift-studio)
  list(APPEND CAMDRIFT_TOOLS camdrift-studio)
endif()
install(TARGETS ${CAMDRIFT_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# OpenCV's own reader and writer, loaded by a run only when it needs them;
# the loader looks for it in lib/camdrift beside bin/.
install(TARGETS camdrift_opencv_io_module LIBRARY DESTINATION lib/camdrift)

# Man pages carry the version; Debian keeps them compressed, and -n leaves
# the time out of the gzip header so the package builds the same each time.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(tool IN LISTS CAMDRIFT_TOOLS)
  configure_file(man/${tool}.1.in ${CMAKE_BINARY_DIR}/man/${tool}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${tool}.1.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_BINARY_DIR}/man/${tool}.1 > ${CMAKE_BINARY_DIR}/man/${tool}.1.gz
    DEPENDS ${CMAKE_BINARY_DIR}/man/${tool}.1
    VERBATIM)
  list(APPEND CAMDRIFT_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${tool}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${CAMDRIFT_MAN_PAGES})
install(FILES ${CAMDRIFT_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(CPACK_PACKAGE_NAME camdrift)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "camdrift developers <camdrift@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "moving virtual camera over an existing video")
set(CPACK_PACKAGE_DESCRIPTION
"camdrift reframes a video with a camera that zooms and pans: a small text
job script names the source, the output, the codec, the output size and a
few keyframes of zoom and centre; camdrift crops every frame to the view
between the keyframes, scales it and writes the output, and FFmpeg copies
the source's sound into it. Phone videos are turned upright first.

camdrift-preview shows how a job script is read and warns about its traps,
with a contact sheet of the camera's path; camdrift-studio sets the camera
in a browser on the real frames.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The muxer that gives the output its sound; without it camdrift still renders.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
set(CPACK_GENERATOR DEB)
include(CPack)
