# Type library and module resources of HXDigIO.ocx.
#
# include() this file from any directory that builds the control or something
# made of its resources. It defines, in the including scope:
#   HX_CONTROL_IDL            control/HXDigIO.idl
#   HX_CONTROL_RC             control/HXDigIO.rc (embeds the type library)
#   HX_CONTROL_DEF            control/HXDigIO.def (the module's exports)
#   HX_CONTROL_SOURCE_DIR     control/ (resource.h, HXDigIOIds.h, HXDigIODispIds.h)
#   HX_CONTROL_GENERATED_DIR  where widl's output goes:
#   HX_CONTROL_TLB              HXDigIO.tlb
#   HX_CONTROL_IDL_HEADER       HXDigIO_h.h (dispinterfaces, enums, IID/CLSID declarations)
#   HX_CONTROL_IDL_GUIDS        HXDigIO_i.c (the GUID definitions)
# and, once per build tree:
#   hxdigio_typelib           custom target that produces the three files above
#   hxdigio_guids             static library of HXDigIO_i.c; linking it brings the
#                             generated header's and control/'s include paths
#   hx_add_control_resources(<target>)
#                             adds HX_CONTROL_RC to a target, with the include
#                             paths and dependencies windres needs

set(HX_CONTROL_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(HX_CONTROL_IDL ${HX_CONTROL_SOURCE_DIR}/HXDigIO.idl)
set(HX_CONTROL_RC ${HX_CONTROL_SOURCE_DIR}/HXDigIO.rc)
set(HX_CONTROL_DEF ${HX_CONTROL_SOURCE_DIR}/HXDigIO.def)
set(HX_CONTROL_GENERATED_DIR ${CMAKE_BINARY_DIR}/control/generated)
set(HX_CONTROL_TLB ${HX_CONTROL_GENERATED_DIR}/HXDigIO.tlb)
set(HX_CONTROL_IDL_HEADER ${HX_CONTROL_GENERATED_DIR}/HXDigIO_h.h)
set(HX_CONTROL_IDL_GUIDS ${HX_CONTROL_GENERATED_DIR}/HXDigIO_i.c)
set(HX_CONTROL_RESOURCE_FILES
    ${HX_CONTROL_TLB}
    ${HX_CONTROL_SOURCE_DIR}/resource.h
    ${HX_CONTROL_SOURCE_DIR}/res/HXDigIO.ico
    ${HX_CONTROL_SOURCE_DIR}/res/HXDigIO.bmp
    ${HX_CONTROL_SOURCE_DIR}/res/HXDigIO.manifest)

if(NOT TARGET hxdigio_typelib)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    if(NOT HX_WIDL)
        find_program(HX_WIDL x86_64-w64-mingw32-widl REQUIRED)
    endif()
    # Standard IDL files and stdole2.tlb (importlib) come from Wine's packages.
    find_path(HX_WIDL_IDL_DIR oaidl.idl
        PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
        NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    find_path(HX_WIDL_IMPORTLIB_DIR stdole2.tlb
        PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows
        NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

    # widl cannot take help strings on enumeration values: the helper strips
    # them for widl and writes them into the finished library afterwards.
    set(_hx_enum_help ${HX_CONTROL_SOURCE_DIR}/typelib_enum_help.py)
    set(_hx_widl_idl ${HX_CONTROL_GENERATED_DIR}/HXDigIO.idl)
    file(MAKE_DIRECTORY ${HX_CONTROL_GENERATED_DIR})
    add_custom_command(
        OUTPUT ${HX_CONTROL_TLB} ${HX_CONTROL_IDL_HEADER} ${HX_CONTROL_IDL_GUIDS}
        COMMAND ${Python3_EXECUTABLE} ${_hx_enum_help} strip
                ${HX_CONTROL_IDL} ${_hx_widl_idl} ${HX_CONTROL_GENERATED_DIR}/HXDigIO.enumhelp.json
        COMMAND ${HX_WIDL} --win64 -I${HX_WIDL_IDL_DIR} -I${HX_CONTROL_SOURCE_DIR} -L${HX_WIDL_IMPORTLIB_DIR}
                -t -T ${HX_CONTROL_GENERATED_DIR}/HXDigIO.widl.tlb
                -h -H ${HX_CONTROL_IDL_HEADER}
                -u -U ${HX_CONTROL_IDL_GUIDS}
                ${_hx_widl_idl}
        COMMAND ${Python3_EXECUTABLE} ${_hx_enum_help} apply
                ${HX_CONTROL_GENERATED_DIR}/HXDigIO.widl.tlb
                ${HX_CONTROL_GENERATED_DIR}/HXDigIO.enumhelp.json ${HX_CONTROL_TLB}
        DEPENDS ${HX_CONTROL_IDL} ${HX_CONTROL_SOURCE_DIR}/HXDigIODispIds.h ${_hx_enum_help}
        WORKING_DIRECTORY ${HX_CONTROL_GENERATED_DIR}
        COMMENT "Building the HXDIGIOLib type library"
        VERBATIM)
    add_custom_target(hxdigio_typelib
        DEPENDS ${HX_CONTROL_TLB} ${HX_CONTROL_IDL_HEADER} ${HX_CONTROL_IDL_GUIDS})

    add_library(hxdigio_guids STATIC ${HX_CONTROL_IDL_GUIDS})
    add_dependencies(hxdigio_guids hxdigio_typelib)
    target_include_directories(hxdigio_guids PUBLIC ${HX_CONTROL_GENERATED_DIR} ${HX_CONTROL_SOURCE_DIR})
    target_link_libraries(hxdigio_guids PUBLIC uuid)
endif()

# Adds the module's resources to <target>. windres finds the type library in
# the generated folder; resource files are not scanned, so they are listed as
# explicit dependencies of the .rc in the target's own directory.
function(hx_add_control_resources target)
    target_sources(${target} PRIVATE ${HX_CONTROL_RC})
    target_include_directories(${target} PRIVATE ${HX_CONTROL_GENERATED_DIR} ${HX_CONTROL_SOURCE_DIR})
    set_source_files_properties(${HX_CONTROL_RC} TARGET_DIRECTORY ${target}
        PROPERTIES OBJECT_DEPENDS "${HX_CONTROL_RESOURCE_FILES}")
    add_dependencies(${target} hxdigio_typelib)
endfunction()
