# An add-on module as an ELF shared object; RESOURCES is the resource compiler's container, added as
# the section .kavelo.rsrc.
set(KAVELO_MODULE_RESOURCES ${KAVELO_RESOURCE_BLOB})

# An add-on module named <name>.apx. The ELF hooks come last: constructors run in link order, so
# process attach follows every static initialisation of the module.
function(kavelo_add_module name)
    cmake_parse_arguments(ARG "" "RESOURCES" "SOURCES" ${ARGN})
    add_library(${name} MODULE ${ARG_SOURCES} ${KAVELO_BINDING_SOURCES}
                               ${PROJECT_SOURCE_DIR}/HostBinding/ModuleNew.cpp
                               ${PROJECT_SOURCE_DIR}/HostBinding/Posix/ElfHooks.cpp)
    set_target_properties(${name} PROPERTIES
        PREFIX "" SUFFIX ".apx"
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
        LINK_DEPENDS ${PROJECT_SOURCE_DIR}/HostBinding/Posix/KAVELO.map)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/Src ${KAVELO_BINDING_INCLUDES})
    target_link_libraries(${name} PRIVATE ${KAVELO_HOST_LIBRARIES} KaveloResourceIds ${CMAKE_DL_LIBS})
    # The module's own copy of the C++ runtime, like a statically linked CRT on Windows: its
    # allocations then go through the module's operator new, and no std:: object crosses to the host.
    # No unique symbols, so the module really unloads.
    target_compile_options(${name} PRIVATE -fno-gnu-unique)
    target_link_options(${name} PRIVATE
        -Wl,--version-script=${PROJECT_SOURCE_DIR}/HostBinding/Posix/KAVELO.map
        -Wl,--no-undefined -static-libstdc++)
    kavelo_warnings(${name})
    if(ARG_RESOURCES)
        add_dependencies(${name} KaveloResources)
        kavelo_attach_resources(${name} ${ARG_RESOURCES})
    endif()
endfunction()
