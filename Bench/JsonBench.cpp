// The JSON conversions of an export body: one 13 MiB data-URL member (the base64 text of a 10 MiB
// picture) beside the two short ones, against memcpy of the same 13 MiB. Each runs warm and cold:
//   warm: the output object (UniString, ObjectState) is kept between iterations and blocks the
//         library allocates come from the heap where the previous iteration freed them;
//   cold: fresh output objects, and every block above 4 KiB the library allocates comes fresh
//         from the kernel (see AllocatorRegime.hpp), so first-touch page faults are counted.
// Run with --benchmark_repetitions and compare medians within one run.

#include "AllocatorRegime.hpp"
#include "Base64.hpp"

#include "GSRoot/ObjectState.hpp"
#include "GSRoot/UniString.hpp"
#include "JSON/JSONConversion.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string& DataUrl() {
    static const std::string url = [] {
        std::vector<unsigned char> picture(10 << 20);
        std::mt19937 random(42);
        for (unsigned char& byte : picture)
            byte = static_cast<unsigned char>(random());
        return "data:image/jpeg;base64," + Base64Encode(picture.data(), picture.size());
    }();
    return url;
}

void Fill(GS::ObjectState& body) {
    body.Add("image", DataUrl().c_str());
    body.Add("name", "Archicad export");
    body.Add("source", "archicad");
}

void SetUp(benchmark::State& state, bool cold) {
    cold ? Bench::UseColdAllocator() : Bench::UseWarmAllocator();
    state.SetLabel(cold ? "cold" : "warm");
}

void Report(benchmark::State& state) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DataUrl().size()));
}

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

void MemcpyDataUrl(benchmark::State& state, bool cold) {
    const std::string& url = DataUrl();
    SetUp(state, cold);
    std::unique_ptr<char, FreeDeleter> reused(static_cast<char*>(std::malloc(url.size())));
    for (auto _ : state) {
        std::unique_ptr<char, FreeDeleter> fresh(cold ? static_cast<char*>(std::malloc(url.size()))
                                                      : nullptr);
        char* output = cold ? fresh.get() : reused.get();
        if (output == nullptr) {
            state.SkipWithError("out of memory");
            break;
        }
        std::memcpy(output, url.data(), url.size());
        benchmark::DoNotOptimize(output);
        benchmark::ClobberMemory();
    }
    Report(state);
}

void CreateFromObjectState(benchmark::State& state, bool cold) {
    DataUrl();
    GS::ObjectState body;
    Fill(body);
    SetUp(state, cold);
    std::optional<GS::UniString> reused(std::in_place);
    for (auto _ : state) {
        std::optional<GS::UniString> fresh;
        GS::UniString& json = cold ? fresh.emplace() : *reused;
        if (JSON::CreateFromObjectState(body, json, false) != NoError) {
            state.SkipWithError("CreateFromObjectState failed");
            break;
        }
        benchmark::DoNotOptimize(json);
        benchmark::ClobberMemory();
    }
    Report(state);
}

void ConvertToObjectState(benchmark::State& state, bool cold) {
    GS::UniString json;
    {
        GS::ObjectState body;
        Fill(body);
        if (JSON::CreateFromObjectState(body, json, false) != NoError) {
            state.SkipWithError("CreateFromObjectState failed");
            return;
        }
    }
    SetUp(state, cold);
    std::optional<GS::ObjectState> reused(std::in_place);
    for (auto _ : state) {
        std::optional<GS::ObjectState> fresh;
        GS::ObjectState& body = cold ? fresh.emplace() : *reused;
        if (JSON::ConvertToObjectState(json, body) != NoError) {
            state.SkipWithError("ConvertToObjectState failed");
            break;
        }
        benchmark::DoNotOptimize(&body);
        benchmark::ClobberMemory();
    }
    Report(state);
}

// Cold runs first: the heap that warm runs grow stays with the process, and blocks served from it
// are no longer fresh (a cold memcpy after a warm parse ran 40 times faster than before it).
BENCHMARK_CAPTURE(MemcpyDataUrl, cold, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CreateFromObjectState, cold, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertToObjectState, cold, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyDataUrl, warm, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CreateFromObjectState, warm, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertToObjectState, warm, false)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
