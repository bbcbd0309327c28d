# Compiler settings shared by every target of the project.

# Our own targets build warning-free; third-party code (GoogleTest) does not
# get these flags.
function(hx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

if(WIN32)
    # ANSI Win32 throughout; keep windows.h lean and the minimum OS at Windows 7.
    add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
    # libgcc, libstdc++ and winpthread are linked in, so that our binaries need
    # only system DLLs (and, for the control, the toolkit DLLs).
    foreach(kind EXE SHARED MODULE)
        set(CMAKE_${kind}_LINKER_FLAGS "${CMAKE_${kind}_LINKER_FLAGS} -static")
    endforeach()
    set(HX_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${PROJECT_SOURCE_DIR}/scripts/wine-run;--state;${HX_WINE_STATE})
    # Every binary lands in one folder so that tests find the DLLs beside them.
    set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
else()
    set(HX_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    # The fuzzing build (scripts/fuzz.sh, build/fuzz) needs clang: every object
    # gets libFuzzer's coverage instrumentation, and only the fuzz targets are
    # built (tests/fuzz), which link the fuzzer's driver.
    option(HX_FUZZ "Build the libFuzzer targets of the base library (clang only)" OFF)
    if(HX_FUZZ)
        if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
            message(FATAL_ERROR "HX_FUZZ needs clang (CC=clang CXX=clang++); scripts/fuzz.sh sets it up")
        endif()
        list(APPEND HX_SANITIZE -fsanitize=fuzzer-no-link)
    endif()
    add_compile_options(${HX_SANITIZE} -g)
    add_link_options(${HX_SANITIZE})
endif()
