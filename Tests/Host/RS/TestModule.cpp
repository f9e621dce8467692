// A module that carries a resource section, for RSInitModuleImageCache to find by address.

extern "C" __attribute__((visibility("default"))) int RSTestModuleAnchor() {
    return 1;
}
