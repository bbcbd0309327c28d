# GoogleTest from the system sources, built by the same compiler as our code,
# and a helper that registers one ctest entry per test executable.

set(HX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${HX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(WIN32)
    # One Wine session (display, prefix, persistent wineserver) for the whole
    # ctest run: set up before the first test, shut down after the last.
    set(HX_WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/wine-run)
    add_test(NAME wine.session.start COMMAND ${HX_WINE_RUN} --state ${HX_WINE_STATE} --session-start)
    add_test(NAME wine.session.stop COMMAND ${HX_WINE_RUN} --state ${HX_WINE_STATE} --session-stop)
    set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
    set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 120)
endif()

# hx_add_gtest(<target> SOURCES <files...> LIBS <libs...> [TIMEOUT s] [LOCKS <resources...>])
# Builds a GoogleTest executable and registers it with ctest (under Wine in
# the Windows build). LOCKS names shared resources (registry keys, files)
# that tests running in parallel must not use at the same time.
function(hx_add_gtest target)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LOCKS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    hx_warnings(${target})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    if(WIN32)
        set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine)
    endif()
    if(ARG_LOCKS)
        set_tests_properties(${target} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
    endif()
endfunction()
