# SPDX-License-Identifier: GPL-3.0-or-later
# Manual pages built from the programs' own --help (and --version) by help2man, so they say
# what the programs say. Each page is gzipped (-9n: no name or time stamp inside, so the
# bytes depend on the text alone) as Debian's manual pages are, and installed to
# share/man/man1.
option(ORVEX_MAN_PAGES "Build the manual pages with help2man (Debian: help2man)" ON)
if(NOT ORVEX_MAN_PAGES)
    return()
endif()

find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
include(GNUInstallDirs)

set(ORVEX_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(orvex_man_pages)

# orvex_add_man_page(<target> [VERSION <text>])
# Builds <target>.1.gz from the target's --help after the target is built; the extra
# sections (NAME, SEE ALSO, ...) come from data/man/<target>.h2m. VERSION replaces asking
# the program for --version, for a program without that option.
function(orvex_add_man_page target)
    cmake_parse_arguments(ARG "" "VERSION" "" ${ARGN})
    set(include_file ${PROJECT_SOURCE_DIR}/data/man/${target}.h2m)
    set(page ${ORVEX_MAN_DIR}/${target}.1)
    set(version_option)
    if(ARG_VERSION)
        set(version_option --version-string=${ARG_VERSION})
    endif()
    # help2man runs the program through a wrapper of the program's name that gives the usage
    # in the one form help2man reads as a synopsis (see man_page_help.sh).
    set(wrapper ${ORVEX_MAN_DIR}/help/${target})
    file(GENERATE OUTPUT ${wrapper}
         CONTENT "#!/bin/sh\nexec /bin/sh '${PROJECT_SOURCE_DIR}/cmake/man_page_help.sh' '$<TARGET_FILE:${target}>' \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
    # help2man takes the program's output whatever its status, so a page is checked for the
    # options section the help text must have produced; an empty or broken --help fails
    # the build instead of installing a hollow page.
    add_custom_command(
        OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVEX_MAN_DIR}
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                ${HELP2MAN} --no-info --section=1 --include=${include_file} ${version_option}
                --output=${page} ${wrapper}
        COMMAND grep -qF "\\-\\-help" ${page}
        COMMAND ${GZIP} -9nf ${page}
        DEPENDS ${target} ${include_file} ${PROJECT_SOURCE_DIR}/cmake/man_page_help.sh
        COMMENT "Writing the manual page ${target}(1) from ${target} --help"
        VERBATIM)
    set(orvex_man_pages ${orvex_man_pages} ${page}.gz PARENT_SCOPE)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

orvex_add_man_page(orvex)
orvex_add_man_page(orvex-frames VERSION ${PROJECT_VERSION})
add_custom_target(orvex_man_pages ALL DEPENDS ${orvex_man_pages})
