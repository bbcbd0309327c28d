# Runs on the build host: the control module may import only system DLLs and
# the toolkit's three DLLs, the toolkit by ordinal only, and it exports
# exactly the four COM server entry points.
#   cmake -DOBJDUMP=<objdump> -DMODULE=<HXDigIO.ocx> -P check_imports.cmake
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()

set(system_dlls ADVAPI32.dll COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll ole32.dll
    OLEAUT32.dll USER32.dll)
set(toolkit_dlls HXKDriver.dll HXKImg.dll HXKUtilities.dll)

string(REPLACE "\n" ";" lines "${dump}")
set(current "")
set(seen "")
foreach(line IN LISTS lines)
    if(line MATCHES "DLL Name: (.+)$")
        set(current ${CMAKE_MATCH_1})
        list(APPEND seen ${current})
        if(NOT current IN_LIST system_dlls AND NOT current IN_LIST toolkit_dlls)
            message(SEND_ERROR "unexpected import: ${current}")
        endif()
    elseif(current IN_LIST toolkit_dlls AND line MATCHES "^\t([0-9a-f]+)\t")
        # An import by ordinal has the top bit of its 64-bit thunk set.
        set(thunk ${CMAKE_MATCH_1})
        string(LENGTH "${thunk}" digits)
        if(NOT digits EQUAL 16 OR NOT thunk MATCHES "^8")
            message(SEND_ERROR "${current} is imported by name: ${line}")
        endif()
    elseif(line STREQUAL "")
        set(current "")
    endif()
endforeach()
foreach(dll IN LISTS toolkit_dlls)
    if(NOT dll IN_LIST seen)
        message(SEND_ERROR "the toolkit's ${dll} is not imported")
    endif()
endforeach()

string(REGEX MATCHALL "\\[ *[0-9]+\\] Dll[A-Za-z]+" exports "${dump}")
list(TRANSFORM exports REPLACE "^\\[ *[0-9]+\\] " "")
list(SORT exports)
if(NOT exports STREQUAL "DllCanUnloadNow;DllGetClassObject;DllRegisterServer;DllUnregisterServer")
    message(SEND_ERROR "exports are: ${exports}")
endif()
message(STATUS "imports: ${seen}")
