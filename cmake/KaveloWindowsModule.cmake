# An add-on module named <name>.apx as a PE32+ DLL. Its .def file exports the two entry functions at
# ordinals 1 and 2 and nothing else; the system calls DllMain after the module's static
# initialisation. RESOURCES is a script of the resource compiler, linked into the resource directory.
set(KAVELO_MODULE_RESOURCES ${KAVELO_RESOURCE_SCRIPT})

function(kavelo_add_module name)
    cmake_parse_arguments(ARG "" "RESOURCES" "SOURCES" ${ARGN})
    add_library(${name} MODULE ${ARG_SOURCES} ${KAVELO_BINDING_SOURCES}
                               ${PROJECT_SOURCE_DIR}/HostBinding/ModuleNew.cpp
                               ${PROJECT_SOURCE_DIR}/HostBinding/Windows/RuntimeRelease.cpp
                               ${PROJECT_SOURCE_DIR}/HostBinding/Windows/KAVELO.def)
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".apx")
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/Src ${KAVELO_BINDING_INCLUDES})
    # bcrypt: the system random source behind the link id.
    target_link_libraries(${name} PRIVATE ${KAVELO_HOST_LIBRARIES} KaveloResourceIds bcrypt)
    # The module's own copy of the C and C++ runtime support (libgcc, libstdc++, winpthread), as
    # with a statically linked CRT: its allocations go through the module's operator new, and it
    # imports only the host's libraries and the system's.
    target_link_options(${name} PRIVATE -static -Wl,--no-undefined)
    kavelo_warnings(${name})
    if(ARG_RESOURCES)
        add_dependencies(${name} KaveloResources)
        target_sources(${name} PRIVATE ${ARG_RESOURCES})
    endif()
endfunction()

# The version record that Windows shows for the module, and the zip a user installs from.
function(kavelo_package_module target)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/KaveloVersion.rc.in ${CMAKE_BINARY_DIR}/KaveloVersion.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/KaveloVersion.rc)
    configure_file(${PROJECT_SOURCE_DIR}/Packaging/README-Windows.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY
                   NEWLINE_STYLE CRLF)
    install(TARGETS ${target} LIBRARY DESTINATION .)
    install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
    set(CPACK_GENERATOR ZIP PARENT_SCOPE)
    set(CPACK_PACKAGE_FILE_NAME KAVELO-${PROJECT_VERSION}-win64 PARENT_SCOPE)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF PARENT_SCOPE)
endfunction()
