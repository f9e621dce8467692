// A module with one dependency of its own, which the loader tests put beside it or away from it.
extern "C" __declspec(dllimport) int LoaderProbeDependencyMarker();

extern "C" __declspec(dllexport) int LoaderProbeMarker() {
    return LoaderProbeDependencyMarker();
}
