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

# A host library: one shared library, its add-on-visible headers under HostBinding/include/<name>,
# and an optional host-side header folder exposed only through the <name>Host interface target.
function(kavelo_host_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;HOST_DEPENDS;PRIVATE_DEPENDS" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/HostBinding/include)
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
    endif()
    if(WIN32)
        # Under wine each process start costs up to seconds on a busy machine: one test per program.
        add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "KAVELO_BIN_DIR=${bin_dir}")
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                             PROPERTIES ENVIRONMENT "KAVELO_BIN_DIR=${bin_dir}")
    endif()
endfunction()

# Adds every listed subfolder that has a CMakeLists.txt, so rooms can grow independently.
function(kavelo_add_existing_subdirectories)
    foreach(dir IN LISTS ARGN)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()
