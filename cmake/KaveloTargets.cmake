# The folder name of platform-specific sources: Windows/ beside Posix/.
if(WIN32)
    set(KAVELO_PLATFORM Windows)
else()
    set(KAVELO_PLATFORM Posix)
endif()

# kavelo_platform_sources(<var> [EACH files...] [POSIX files...] [WINDOWS files...]): the platform
# sources of a target, in one form everywhere. EACH names a file that both platform folders hold;
# POSIX and WINDOWS name files that only one of them has. The result, in <var>, is this platform's
# paths relative to the calling folder.
function(kavelo_platform_sources var)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EACH;POSIX;WINDOWS")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "kavelo_platform_sources: unexpected ${arg_UNPARSED_ARGUMENTS}")
    endif()
    set(files ${arg_EACH})
    if(WIN32)
        list(APPEND files ${arg_WINDOWS})
    else()
        list(APPEND files ${arg_POSIX})
    endif()
    list(TRANSFORM files PREPEND ${KAVELO_PLATFORM}/)
    set(${var} ${files} PARENT_SCOPE)
endfunction()

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

# Renders an SVG icon as <dir>/<name>-<size>.png and at twice that size, the two pictures a 'GICN'
# of that size reads, and appends their paths to the list `pngs`.
function(kavelo_render_icon svg name size dir pngs)
    find_program(KAVELO_RSVG_CONVERT rsvg-convert REQUIRED)
    math(EXPR double "${size} * 2")
    set(rendered ${${pngs}})
    foreach(pixels IN ITEMS ${size} ${double})
        set(png ${dir}/${name}-${pixels}.png)
        add_custom_command(
            OUTPUT ${png}
            COMMAND ${KAVELO_RSVG_CONVERT} --width=${pixels} --height=${pixels} --format=png
                    --output=${png} ${svg}
            DEPENDS ${svg}
            COMMENT "Rendering icon ${name} at ${pixels} px"
            VERBATIM)
        list(APPEND rendered ${png})
    endforeach()
    set(${pngs} ${rendered} PARENT_SCOPE)
endfunction()

# Compiles the resource script `grc` into the container `output`: the C preprocessor resolves its ids
# (INCLUDES: the files it includes), then kavelo-rc reads it with the icon pictures in ICON_DIR
# (ICONS: those pictures). Line markers are kept (no -P) so that kavelo-rc names the .grc file and
# line of an error.
function(kavelo_compile_resources grc output)
    cmake_parse_arguments(ARG "" "ICON_DIR;WINDOWS_SCRIPT" "INCLUDES;ICONS" ${ARGN})
    get_filename_component(name ${grc} NAME)
    get_filename_component(source_dir ${grc} DIRECTORY)
    get_filename_component(output_dir ${output} DIRECTORY)
    set(preprocessed ${output_dir}/${name}.i)
    add_custom_command(
        OUTPUT ${preprocessed}
        COMMAND ${CMAKE_C_COMPILER} -E -x c -undef -nostdinc -I${source_dir} ${grc} -o ${preprocessed}
        DEPENDS ${grc} ${ARG_INCLUDES}
        COMMENT "Preprocessing ${name}"
        VERBATIM)
    # WINDOWS_SCRIPT: the same resources also as a script for the Windows resource compiler.
    set(outputs ${output})
    set(script_option)
    if(ARG_WINDOWS_SCRIPT)
        list(APPEND outputs ${ARG_WINDOWS_SCRIPT})
        set(script_option --rc ${ARG_WINDOWS_SCRIPT})
    endif()
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND kavelo-rc --icons ${ARG_ICON_DIR} ${script_option} -o ${output} ${preprocessed}
        DEPENDS kavelo-rc ${preprocessed} ${ARG_ICONS}
        COMMENT "Compiling the resources of ${name}"
        VERBATIM)
endfunction()

# Adds compiled resources to a built module: elsewhere the container as its resource section, on
# Windows the same resources' script (WINDOWS_SCRIPT) linked into its resource directory.
function(kavelo_attach_resources target container)
    cmake_parse_arguments(ARG "" "WINDOWS_SCRIPT" "" ${ARGN})
    if(WIN32)
        if(NOT ARG_WINDOWS_SCRIPT)
            message(FATAL_ERROR "${target}: a Windows module takes its resources as WINDOWS_SCRIPT")
        endif()
        target_sources(${target} PRIVATE ${ARG_WINDOWS_SCRIPT})
        return()
    endif()
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

# A GoogleTest executable whose cases CTest lists one by one. TLS_RELAY: it uses the test server,
# whose TLS end on Windows is the native relay that the test's run starts beside it.
function(kavelo_test name)
    cmake_parse_arguments(ARG "TLS_RELAY" "" "SOURCES;LIBS" ${ARGN})
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
        if(ARG_TLS_RELAY)
            add_test(NAME ${name}
                     COMMAND ${PROJECT_SOURCE_DIR}/Tests/Host/HTTP/Server/Windows/run-with-tls-relay.sh
                             $<TARGET_FILE:kavelo-test-tls-relay> ${CMAKE_CROSSCOMPILING_EMULATOR}
                             $<TARGET_FILE:${name}> --gtest_brief=1)
        else()
            add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        endif()
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
