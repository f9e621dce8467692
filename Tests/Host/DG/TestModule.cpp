// A module that carries the dialog library tests' resources, for RSInitModuleImageCache to find by
// address.

extern "C" __attribute__((visibility("default"))) int DGTestModuleAnchor() {
    return 1;
}
