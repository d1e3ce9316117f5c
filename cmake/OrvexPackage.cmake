# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in a build tree packs what `cmake --install` puts in
# place, plus the copyright and changelog Debian asks of every package (scripts/package
# does it all, on a Release build). The shared-library dependencies are read off the
# binaries by dpkg-shlibdeps (Debian: dpkg-dev).
include(GNUInstallDirs)

set(ORVEX_PACKAGE_MAINTAINER "The Orvex developers <developers@orvex.example>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

# Debian's documentation directory is named after the package, in lower case.
set(ORVEX_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/orvex)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${ORVEX_PACKAGE_DOC_DIR})

# The changelog follows the project's version; a stale first entry would label the package
# with a version it is not, so configuring stops on it.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/changelog orvex_changelog_head LIMIT_COUNT 1)
if(NOT orvex_changelog_head MATCHES "^orvex \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "data/changelog begins with '${orvex_changelog_head}', but the project's "
                        "version is ${PROJECT_VERSION}: add an entry for it at the top.")
endif()
set(orvex_changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(
    OUTPUT ${orvex_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/changelog > ${orvex_changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog
    VERBATIM)
add_custom_target(orvex_changelog ALL DEPENDS ${orvex_changelog})
install(FILES ${orvex_changelog} DESTINATION ${ORVEX_PACKAGE_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex)
set(CPACK_PACKAGE_VENDOR "The Orvex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live spectrum of a coded, windowed pure tone")
# The long description as Debian shows it: lines of at most 78 characters (80 with the
# leading space and a margin), an empty line between paragraphs.
set(CPACK_PACKAGE_DESCRIPTION [[
Orvex synthesises a pure tone of 0 to 8000 Hz at 0 to -160 dB and shows its
spectrum live, every 64 ms. Each sample can pass through a 16-bit square-root
companding coder, with an exact square root or a fast estimate refined by one
to three Newton steps, and the block of 1024 samples is weighted with one of
eleven analysis windows before the FFT. Peak hold, averaging, a frozen
reference, markers and distortion figures (THD, SINAD, SNR, SFDR, ENOB) read
the spectrum; the tone can be heard, coded or as its coding error alone,
through the desktop's sound server; and a second window draws the coder
curves, every coder's SNR against the level and the frequency, saved as PNG,
SVG or CSV.

The package also holds orvex-frames, which runs the same frames without a
window and prints the plot, the samples, the distortion figures, the coder
curves or the figures of the coders and windows as text, CSV or JSON; draws
the display's picture to a PNG file and the coder curves to PNG or SVG; and
writes the tone as it is heard to a 32-bit float WAV file.]])
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORVEX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 platform plugin comes with its GUI library; the Wayland one is a package of its
# own, needed on a Wayland desktop alone.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# Listening plays through a sound server, which every desktop runs; without one, everything
# else works.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Directories CPack creates take the umask otherwise; Debian's are rwxr-xr-x.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
