# `cpack -G DEB` in the build folder makes segmentacia_VERSION-RELEASE_ARCH.deb from what
# `cmake --install` puts in place; dpkg-shlibdeps finds the libraries it depends on.
set(CPACK_PACKAGE_NAME segmentacia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "image segmentation into object and background by a minimum s-t cut")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RPM_PACKAGE_LICENSE ${SEG_SPDX_LICENSE})
set(CPACK_STRIP_FILES ON)
set(SEG_PACKAGE_MAINTAINER "Segmentacia developers <maintainers@segmentacia.invalid>" CACHE STRING
    "The Debian package's Maintainer field")
set(CPACK_PACKAGE_CONTACT ${SEG_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A Debian revision makes the package a non-native one, whose changelog is
# changelog.Debian.gz; the program's own version stays PROJECT_VERSION.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A window (segmentacia) in which the user marks object and background pixels
with the mouse and runs an augmenting-path or a push-relabel maximum-flow
method on the graph of the image's pixels, and a command line
(segmentacia-cli) that runs the same segmentation without a display, one
independent process per image.")
include(CPack)

# What Debian's policy asks of every package's documentation folder: the licence in the
# machine-readable copyright format, made from LICENSE so the two cannot differ, and the
# package's changelog, gzip -9n compressed like the man pages (cmake/manpage.cmake).
if(NOT WIN32)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE licence_lines)
  set(licence_text "")
  set(copyright_holder "")
  foreach(line IN LISTS licence_lines)
    if(line MATCHES "^Copyright \\(c\\) (.*)$")
      set(copyright_holder ${CMAKE_MATCH_1})
    elseif(copyright_holder)
      if(line STREQUAL "")
        string(APPEND licence_text "\n .")
      else()
        string(APPEND licence_text "\n ${line}")
      endif()
    endif()
  endforeach()
  string(REGEX REPLACE "^\n \\.\n" "\n" licence_text "${licence_text}")
  file(WRITE ${PROJECT_BINARY_DIR}/debian/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${PROJECT_NAME}

Files: *
Copyright: ${copyright_holder}
License: ${SEG_SPDX_LICENSE}${licence_text}
")
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

  configure_file(${PROJECT_SOURCE_DIR}/cmake/changelog.Debian.in
                 ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
  set(changelog ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian/gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/debian/changelog.Debian
            ${PROJECT_BINARY_DIR}/debian/gz/changelog.Debian
    COMMAND ${GZIP} -9nf ${PROJECT_BINARY_DIR}/debian/gz/changelog.Debian
    COMMAND ${CMAKE_COMMAND} -E rename ${PROJECT_BINARY_DIR}/debian/gz/changelog.Debian.gz
            ${changelog}
    DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian
    VERBATIM)
  add_custom_target(segmentacia-changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME segmentacia)
endif()
