# The add-on module KAVELO.apx: the add-on's sources and the host binding in one module that exports
# exactly the two entry-protocol functions and carries its resources. On Windows a PE DLL with its
# resources in its resource directory; elsewhere an ELF shared object with a resource section.

set(KAVELO_BINDING_INCLUDES ${PROJECT_SOURCE_DIR}/HostBinding ${PROJECT_SOURCE_DIR}/HostBinding/${KAVELO_PLATFORM})

set(KAVELO_BINDING_SOURCES
    ${PROJECT_SOURCE_DIR}/HostBinding/BindingState.cpp
    ${PROJECT_SOURCE_DIR}/HostBinding/EntryProtocol.cpp
    ${PROJECT_SOURCE_DIR}/HostBinding/HostOperationWrapper.cpp
    ${PROJECT_SOURCE_DIR}/HostBinding/ProcessAttach.cpp)

set(KAVELO_ADDON_SOURCES
    ${PROJECT_SOURCE_DIR}/Src/AccountLink.cpp
    ${PROJECT_SOURCE_DIR}/Src/AddOnMain.cpp
    $<TARGET_OBJECTS:KaveloBase64>
    ${PROJECT_SOURCE_DIR}/Src/Dialogs.cpp
    ${PROJECT_SOURCE_DIR}/Src/ErrorReport.cpp
    ${PROJECT_SOURCE_DIR}/Src/Export.cpp
    ${PROJECT_SOURCE_DIR}/Src/Palette.cpp
    ${PROJECT_SOURCE_DIR}/Src/Preferences.cpp
    ${PROJECT_SOURCE_DIR}/Src/ServiceUrls.cpp
    ${PROJECT_SOURCE_DIR}/Src/Upload.cpp)

# The base64 encoder: each vector path in a unit of its own, compiled for its instruction set, chosen at
# run time from what the processor reports.
add_library(KaveloBase64 OBJECT ${PROJECT_SOURCE_DIR}/Src/Base64.cpp ${PROJECT_SOURCE_DIR}/Src/Base64Avx2.cpp
                                ${PROJECT_SOURCE_DIR}/Src/Base64Avx512.cpp)
target_include_directories(KaveloBase64 PRIVATE ${PROJECT_SOURCE_DIR}/SDK)
set_target_properties(KaveloBase64 PROPERTIES POSITION_INDEPENDENT_CODE ON)
kavelo_warnings(KaveloBase64)
if(MSVC)
    set(kavelo_avx2_options /arch:AVX2)
    set(kavelo_avx512_options /arch:AVX512)
else()
    set(kavelo_avx2_options -mavx2)
    set(kavelo_avx512_options -mavx512f -mavx512bw -mavx512vbmi)
endif()
set_source_files_properties(${PROJECT_SOURCE_DIR}/Src/Base64Avx2.cpp PROPERTIES COMPILE_OPTIONS "${kavelo_avx2_options}")
set_source_files_properties(${PROJECT_SOURCE_DIR}/Src/Base64Avx512.cpp PROPERTIES COMPILE_OPTIONS "${kavelo_avx512_options}")

set(KAVELO_HOST_LIBRARIES GSRoot RS GSUtils DG InputOutput HTTP JSONConversion)
if(NOT WIN32)
    list(APPEND KAVELO_HOST_LIBRARIES Win32)
endif()

# kavelo_add_module(name SOURCES ... RESOURCES compiled-resources) for the target platform.
include(Kavelo${KAVELO_PLATFORM}Module)

kavelo_add_module(KAVELO SOURCES ${KAVELO_ADDON_SOURCES} RESOURCES ${KAVELO_MODULE_RESOURCES})
set(KAVELO_ADDON_DEFINITIONS KAVELO_SERVICE_BASE_URL="${KAVELO_SERVICE_BASE_URL}")
target_compile_definitions(KAVELO PRIVATE ${KAVELO_ADDON_DEFINITIONS})
if(WIN32)
    kavelo_package_module(KAVELO)
    include(CPack)
endif()
