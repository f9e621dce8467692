# What a Windows build needs around the sources: the build-time tools built natively, the GNU runtime DLLs the host side shares, GoogleTest from source, and a throwaway wine
# prefix in which ctest runs the test programs.

enable_language(RC)
include(ExternalProject)

# Build-time tools run on the build machine: a native build of this same tree, made by this one. The
# service runs there too, for the Windows workbench's stories.
set(KAVELO_NATIVE_DIR ${CMAKE_BINARY_DIR}/native)
set(KAVELO_NATIVE_TOOLS kavelo-rc kavelo-service)
if(BUILD_TESTING)
    list(APPEND KAVELO_NATIVE_TOOLS kavelo-test-tls-relay) # the TLS end of the tests' test server
endif()
list(TRANSFORM KAVELO_NATIVE_TOOLS PREPEND ${KAVELO_NATIVE_DIR}/bin/ OUTPUT_VARIABLE KAVELO_NATIVE_TOOL_FILES)
ExternalProject_Add(KaveloNativeTools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${KAVELO_NATIVE_DIR}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
               -DKAVELO_SERVICE_BASE_URL=${KAVELO_SERVICE_BASE_URL}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${KAVELO_NATIVE_DIR} --target ${KAVELO_NATIVE_TOOLS}
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${KAVELO_NATIVE_TOOL_FILES}
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
foreach(tool IN LISTS KAVELO_NATIVE_TOOLS)
    add_executable(${tool} IMPORTED GLOBAL)
    set_target_properties(${tool} PROPERTIES IMPORTED_LOCATION ${KAVELO_NATIVE_DIR}/bin/${tool})
    add_dependencies(${tool} KaveloNativeTools)
endforeach()

# Binaries as users get them: every program and DLL leaves the linker without debug sections and
# symbol table, which go to <file>.debug beside it, named in the file's debug link where gdb and
# winedbg look for them. Wine reads a whole program file at every start, and these are most of it (a
# 20 MB workbench is 0.53 MB without them). Done in the link rules, so that no target is left out.
set(KAVELO_SPLIT_DEBUG
    "${CMAKE_OBJCOPY} --only-keep-debug <TARGET> <TARGET>.debug"
    "${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=<TARGET>.debug <TARGET>")
foreach(lang IN ITEMS C CXX)
    foreach(rule IN ITEMS CREATE_SHARED_MODULE CREATE_SHARED_LIBRARY LINK_EXECUTABLE)
        list(APPEND CMAKE_${lang}_${rule} ${KAVELO_SPLIT_DEBUG})
    endforeach()
endforeach()

# The host libraries, the workbench and the tests share one C++ runtime, the compiler's DLLs beside
# them, split as the build's own; only the add-on module carries its own.
foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT IS_ABSOLUTE ${dll_path})
        message(FATAL_ERROR "The compiler does not know where ${dll} is")
    endif()
    set(shipped ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dll})
    if(${dll_path} IS_NEWER_THAN ${shipped})
        file(MAKE_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
        execute_process(COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${dll_path} ${shipped}.debug
                        COMMAND_ERROR_IS_FATAL ANY)
        execute_process(COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${shipped}.debug
                                ${dll_path} ${shipped}
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)

if(BUILD_TESTING)
    # Debian ships GoogleTest as source only for other targets.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

    # Test programs run under wine, in a prefix of this build folder only, booted once when built.
    find_program(KAVELO_WINE64 NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
    find_program(KAVELO_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine REQUIRED)
    set(KAVELO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    # The prefix's browser setting names a recorder that keeps each run's launches in a file of its
    # own, in a folder the Windows programs see as C:\browser-launches.
    set(KAVELO_BROWSER_RECORDS ${KAVELO_WINEPREFIX}/drive_c/browser-launches)
    set(KAVELO_BROWSER_RECORDER ${CMAKE_BINARY_DIR}/record-browser-url)
    configure_file(${PROJECT_SOURCE_DIR}/Tests/Support/Windows/record-browser-url.in ${KAVELO_BROWSER_RECORDER}
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE
                   @ONLY)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE
                   @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
    add_custom_command(
        OUTPUT ${KAVELO_WINEPREFIX}/.booted
        COMMAND ${CMAKE_BINARY_DIR}/wine-run --boot
        COMMAND ${CMAKE_COMMAND} -E touch ${KAVELO_WINEPREFIX}/.booted
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/wine-run.in
        COMMENT "Booting the test wine prefix"
        VERBATIM)
    add_custom_target(WinePrefix ALL DEPENDS ${KAVELO_WINEPREFIX}/.booted)
endif()

# Header-only libraries the system installs for itself serve the Windows build as well; only their
# own folder is put on the include path, never the build machine's /usr/include.
set(KAVELO_HEADER_ONLY ${CMAKE_BINARY_DIR}/HeaderOnly)
file(COPY /usr/include/nlohmann DESTINATION ${KAVELO_HEADER_ONLY})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${KAVELO_HEADER_ONLY})
