// The workbench's 3D view at a common and at a 4K window size: rendering the built-in scene, encoding
// it as a JPEG, and both together as a save does them. Run with --benchmark_repetitions to get medians.

#include "Scene/Jpeg.hpp"
#include "Scene/SceneView.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace Workbench::Scene;

void Render(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderHouseScene(int(state.range(0)), int(state.range(1))));
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0) * state.range(1));
}

void Encode(benchmark::State& state) {
    const RgbImage image = RenderHouseScene(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeJpeg(image, jpegQuality));
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0) * state.range(1));
}

void RenderAndEncode(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            EncodeJpeg(RenderHouseScene(int(state.range(0)), int(state.range(1))), jpegQuality));
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0) * state.range(1));
}

} // namespace

BENCHMARK(Render)->Args({1600, 900})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Encode)->Args({1600, 900})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RenderAndEncode)
    ->Args({1600, 900})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
