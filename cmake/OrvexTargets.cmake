# SPDX-License-Identifier: GPL-3.0-or-later
# Common settings for every Orvex target, and the one helper that registers tests.

# Compile options shared by all our targets. Floating-point contraction stays off so that
# every product and sum is rounded exactly where the code says; never use -ffast-math.
function(orvex_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -ffp-contract=off)
    if(ORVEX_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(ORVEX_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
        # The instrumentation hides initialisations from GCC's flow analysis, which then
        # reports "may be used uninitialized" inside libstdc++ (the states of <regex>). The
        # normal build keeps the warning, as an error under ORVEX_WARNINGS_AS_ERRORS.
        if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
            target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
        endif()
    endif()
    if(ORVEX_THREAD_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=thread)
    endif()
    if(ORVEX_FUZZ)
        # Every library gets libFuzzer's coverage instrumentation and both sanitizers, so
        # that a finding anywhere under a fuzz target stops it; only the targets link the
        # fuzzer's main (tests/fuzz).
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                                 -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# orvex_add_library(<name> FOLDER <folder> [SUBFOLDERS <folders...>] SOURCES <files...>)
# A static library made of the sources of src/<folder>. Its include root exposes the headers
# of that folder alone, as "<folder>/<header>.h", so a library that does not link it cannot
# include its headers: each header is linked by name into <build>/include/<name>/<folder>.
# A library whose concerns lie in subfolders names them; their headers are exposed as
# "<folder>/<subfolder>/<header>.h".
function(orvex_add_library name)
    cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;SUBFOLDERS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    orvex_target_defaults(${name})
    set(root ${CMAKE_BINARY_DIR}/include/${name})
    file(REMOVE_RECURSE ${root})
    set(folders ${ARG_FOLDER})
    foreach(subfolder IN LISTS ARG_SUBFOLDERS)
        list(APPEND folders ${ARG_FOLDER}/${subfolder})
    endforeach()
    foreach(folder IN LISTS folders)
        file(MAKE_DIRECTORY ${root}/${folder})
        file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.h)
        foreach(header IN LISTS headers)
            get_filename_component(file_name ${header} NAME)
            file(CREATE_LINK ${header} ${root}/${folder}/${file_name} SYMBOLIC)
        endforeach()
    endforeach()
    target_include_directories(${name} PUBLIC ${root})
endfunction()

function(orvex_add_executable name)
    add_executable(${name} ${ARGN})
    orvex_target_defaults(${name})
endfunction()

# orvex_add_test(<folder>/<name> [SOURCES <files...>] [LIBRARIES <targets...>] [GUI] [TRAPS]
#                [QT_MAIN] [LABELS <labels...>] [TIMEOUT <seconds>])
# Builds tests/<folder>/<name>.cpp (or the given sources) into the GoogleTest executable
# <name> and registers its cases with ctest. GUI tests run on Qt's offscreen platform. TRAPS links the main that
# enables the floating-point traps (invalid, divide-by-zero, overflow) for the whole test.
# The label `threads` marks a test that runs threads of ours: the ThreadSanitizer build
# (ORVEX_THREAD_SANITIZE) builds and runs only those (orvex_add_thread_test_target).
function(orvex_add_test name)
    cmake_parse_arguments(ARG "GUI;TRAPS;QT_MAIN" "TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    if(NOT ARG_SOURCES)
        set(ARG_SOURCES ${name}.cpp)
    endif()
    get_filename_component(name ${name} NAME)
    orvex_add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    if(ARG_TRAPS)
        target_link_libraries(${name} PRIVATE orvex_test_trapping_main)
    elseif(ARG_QT_MAIN)
        target_link_libraries(${name} PRIVATE orvex_test_qt_main)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    set(properties)
    if(ARG_GUI)
        list(APPEND properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
    if(ORVEX_SANITIZE)
        # Leak checking stays on; only the leaks named in the file, none of them ours, are
        # let through. Programs the test starts inherit the setting.
        list(APPEND properties ENVIRONMENT_MODIFICATION
             "LSAN_OPTIONS=set:suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0")
    endif()
    if(ORVEX_THREAD_SANITIZE)
        list(APPEND properties ENVIRONMENT_MODIFICATION "${ORVEX_TSAN_ENVIRONMENT}")
    endif()
    if("threads" IN_LIST ARG_LABELS)
        set_property(GLOBAL APPEND PROPERTY ORVEX_THREAD_TEST_TARGETS ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    list(APPEND properties TIMEOUT ${ARG_TIMEOUT})
    if(ARG_LABELS)
        list(APPEND properties LABELS "${ARG_LABELS}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# What every test of the ThreadSanitizer build runs with, programs it starts included: the
# suppressions of races inside libraries that are not instrumented (cmake/tsan.supp), and a
# report fails the test through the exit status.
set(ORVEX_TSAN_ENVIRONMENT
    "TSAN_OPTIONS=set:suppressions=${PROJECT_SOURCE_DIR}/cmake/tsan.supp:print_suppressions=0:second_deadlock_stack=1")

# orvex_add_thread_test_target(<name> [DEPENDS <targets...>])
# A target that builds every test labelled `threads` and the given programs they run, so
# that the ThreadSanitizer build compiles nothing else.
function(orvex_add_thread_test_target name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    get_property(tests GLOBAL PROPERTY ORVEX_THREAD_TEST_TARGETS)
    add_custom_target(${name})
    add_dependencies(${name} ${tests} ${ARG_DEPENDS})
endfunction()
