extern "C" __declspec(dllexport) int LoaderProbeDependencyMarker() {
    return 0x4C44; // "LD"
}
