// The module carries its own copy of the GNU C++ runtime, whose exception buffer (about 70 kB of the
// C runtime's heap) would otherwise stay behind every time the module is unloaded. A destructor
// function runs at unload, after DllMain's detach.

namespace __gnu_cxx {
void __freeres(); // releases the C++ runtime's own buffers
}

namespace {

__attribute__((destructor)) void ReleaseRuntime() {
    __gnu_cxx::__freeres();
}

} // namespace
