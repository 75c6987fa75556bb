# `cpack -G DEB` in the build folder makes segmentacia_VERSION_ARCH.deb from what
# `cmake --install` puts in place; dpkg-shlibdeps finds the libraries it depends on.
set(CPACK_PACKAGE_NAME segmentacia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "image segmentation into object and background by a minimum s-t cut")
set(CPACK_STRIP_FILES ON)
set(SEG_PACKAGE_MAINTAINER "Segmentacia developers <maintainers@segmentacia.invalid>" CACHE STRING
    "The Debian package's Maintainer field")
set(CPACK_PACKAGE_CONTACT ${SEG_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A window (segmentacia) in which the user marks object and background pixels with
the mouse and runs an augmenting-path or a push-relabel maximum-flow method on the
graph of the image's pixels, and a command line (segmentacia-cli) that runs the
same segmentation without a display, one independent process per image.")
include(CPack)
