// Gives the module-path tests a symbol to find the library's base address by.
extern "C" int Win32ProbeModuleMarker() {
    return 0x5052; // "PR"
}
