# The folder name of platform-specific sources: Windows/ beside Posix/.
if(WIN32)
    set(KAVELO_PLATFORM Windows)
else()
    set(KAVELO_PLATFORM Posix)
endif()

# Warnings as errors on our own targets only; system and third-party code keeps its own flags.
function(kavelo_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion -Werror)
endfunction()

# The host's API declarations: what the add-on sees of the host, shared by the module, the host
# libraries, the workbench and the tests.
add_library(KaveloSDK INTERFACE)
target_include_directories(KaveloSDK INTERFACE ${PROJECT_SOURCE_DIR}/SDK)

# The container a module's compiled resources travel in (written by the resource compiler, read by
# RS), and the name of the ELF section that carries it in the module file.
set(KAVELO_RESOURCE_SECTION .kavelo.rsrc)
add_library(KaveloResourceContainer INTERFACE)
target_include_directories(KaveloResourceContainer INTERFACE ${PROJECT_SOURCE_DIR}/Host/ResourceContainer)
target_compile_definitions(KaveloResourceContainer INTERFACE
                           KAVELO_RESOURCE_SECTION="${KAVELO_RESOURCE_SECTION}")

# Adds a compiled resource container to a built module as its resource section.
function(kavelo_attach_resources target container)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${container})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --add-section ${KAVELO_RESOURCE_SECTION}=${container}
                --set-section-flags ${KAVELO_RESOURCE_SECTION}=readonly $<TARGET_FILE:${target}>
        VERBATIM)
endfunction()

# A host library: one shared library implementing its part of the SDK's declarations, and an
# optional host-side header folder exposed only through the <name>Host interface target.
function(kavelo_host_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;HOST_DEPENDS;PRIVATE_DEPENDS" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC KaveloSDK)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET default)
    if(WIN32)
        # GSRoot.dll, as the host names its libraries. With no dllexport anywhere, the linker
        # exports every symbol, as an ELF library does.
        set_target_properties(${name} PROPERTIES PREFIX "" IMPORT_PREFIX "")
    endif()
    kavelo_warnings(${name})
    add_library(${name}Host INTERFACE)
    target_link_libraries(${name}Host INTERFACE ${name} ${ARG_HOST_DEPENDS})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/host)
        target_include_directories(${name}Host INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/host)
    endif()
endfunction()

# A GoogleTest executable whose cases CTest lists one by one.
function(kavelo_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
    kavelo_warnings(${name})
    include(GoogleTest)
    # Under wine the build machine's root is drive Z:.
    set(bin_dir ${CMAKE_BINARY_DIR}/bin)
    if(WIN32)
        set(bin_dir Z:${bin_dir})
        add_dependencies(${name} WinePrefix)
        # Under wine each process start costs up to seconds on a busy machine: one test per program.
        add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "KAVELO_BIN_DIR=${bin_dir}")
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                             PROPERTIES ENVIRONMENT "KAVELO_BIN_DIR=${bin_dir}")
    endif()
endfunction()

# Adds every listed subfolder; a missing one is a configuration error, not a later link error.
function(kavelo_add_subdirectories)
    foreach(dir IN LISTS ARGN)
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
            message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${dir} has no CMakeLists.txt")
        endif()
        add_subdirectory(${dir})
    endforeach()
endfunction()
