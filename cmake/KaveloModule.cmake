# The add-on module KAVELO.apx: the add-on's sources and the host binding in one ELF shared object
# that exports exactly the two entry-protocol functions and carries its resources in a section.

set(KAVELO_BINDING_SOURCES
    ${PROJECT_SOURCE_DIR}/HostBinding/BindingState.cpp
    ${PROJECT_SOURCE_DIR}/HostBinding/EntryProtocol.cpp
    ${PROJECT_SOURCE_DIR}/HostBinding/HostOperationWrapper.cpp
    ${PROJECT_SOURCE_DIR}/HostBinding/ProcessAttach.cpp)

set(KAVELO_ADDON_SOURCES
    ${PROJECT_SOURCE_DIR}/Src/AccountLink.cpp
    ${PROJECT_SOURCE_DIR}/Src/AddOnMain.cpp
    ${PROJECT_SOURCE_DIR}/Src/Base64.cpp
    ${PROJECT_SOURCE_DIR}/Src/Dialogs.cpp
    ${PROJECT_SOURCE_DIR}/Src/ErrorReport.cpp
    ${PROJECT_SOURCE_DIR}/Src/Export.cpp
    ${PROJECT_SOURCE_DIR}/Src/Palette.cpp
    ${PROJECT_SOURCE_DIR}/Src/Preferences.cpp
    ${PROJECT_SOURCE_DIR}/Src/ServiceUrls.cpp
    ${PROJECT_SOURCE_DIR}/Src/Upload.cpp)

set(KAVELO_HOST_LIBRARIES GSRoot RS GSUtils Win32 DG InputOutput HTTP JSONConversion)

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
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/Src ${PROJECT_SOURCE_DIR}/HostBinding)
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

kavelo_add_module(KAVELO SOURCES ${KAVELO_ADDON_SOURCES} RESOURCES ${KAVELO_RESOURCE_BLOB})
set(KAVELO_ADDON_DEFINITIONS KAVELO_SERVICE_BASE_URL="${KAVELO_SERVICE_BASE_URL}")
target_compile_definitions(KAVELO PRIVATE ${KAVELO_ADDON_DEFINITIONS})
