// The add-on's base64 encoder, each of its paths, against the two natural baselines: copying the same bytes
// (memcpy, the floor) and OpenSSL's encoder, on 64 KiB, 1 MiB and 10 MiB. Each runs warm and cold:
//   warm: memcpy and OpenSSL write into one output buffer allocated before the loop; Base64Encode,
//         which returns a new string, gets its block from the heap where the previous result was
//         freed, so its pages are already mapped;
//   cold: every iteration writes into a fresh block straight from the kernel (see
//         AllocatorRegime.hpp), so page faults on first touch are part of every figure.
// Run with --benchmark_repetitions and compare medians within one run.

#include "AllocatorRegime.hpp"
#include "Base64.hpp"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Picture(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    std::mt19937 random(42);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(random());
    return bytes;
}

std::size_t EncodedSize(std::size_t size) {
    return 4 * ((size + 2) / 3);
}

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
using Block = std::unique_ptr<unsigned char, FreeDeleter>;

Block Allocate(std::size_t size) {
    Block block(static_cast<unsigned char*>(std::malloc(size)));
    if (!block)
        throw std::bad_alloc();
    return block;
}

void SetUp(benchmark::State& state, bool cold) {
    cold ? Bench::UseColdAllocator() : Bench::UseWarmAllocator();
    state.SetLabel(cold ? "cold" : "warm");
}

void Memcpy(benchmark::State& state, bool cold) {
    SetUp(state, cold);
    const auto input = Picture(std::size_t(state.range(0)));
    Block reused = Allocate(input.size());
    for (auto _ : state) {
        Block fresh = cold ? Allocate(input.size()) : nullptr;
        unsigned char* output = cold ? fresh.get() : reused.get();
        std::memcpy(output, input.data(), input.size());
        benchmark::DoNotOptimize(output);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void OpenSslEncodeBlock(benchmark::State& state, bool cold) {
    SetUp(state, cold);
    const auto input = Picture(std::size_t(state.range(0)));
    // EVP_EncodeBlock also writes a terminating zero.
    const std::size_t outputSize = EncodedSize(input.size()) + 1;
    Block reused = Allocate(outputSize);
    for (auto _ : state) {
        Block fresh = cold ? Allocate(outputSize) : nullptr;
        unsigned char* output = cold ? fresh.get() : reused.get();
        EVP_EncodeBlock(output, input.data(), int(input.size()));
        benchmark::DoNotOptimize(output);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void KaveloBase64Encode(benchmark::State& state, bool cold, Base64Path path) {
    if (!IsBase64PathSupported(path)) {
        state.SkipWithError("path not supported by this processor");
        return;
    }
    SetUp(state, cold);
    const auto input = Picture(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::string text = Base64Encode(input.data(), input.size(), path);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(64 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMicrosecond);
}

BENCHMARK_CAPTURE(Memcpy, warm, false)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenSslEncodeBlock, warm, false)->Apply(Sizes);
BENCHMARK_CAPTURE(KaveloBase64Encode, warm_scalar, false, Base64Path::Scalar)->Apply(Sizes);
BENCHMARK_CAPTURE(KaveloBase64Encode, warm_avx2, false, Base64Path::Avx2)->Apply(Sizes);
BENCHMARK_CAPTURE(KaveloBase64Encode, warm_avx512, false, Base64Path::Avx512)->Apply(Sizes);
BENCHMARK_CAPTURE(Memcpy, cold, true)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenSslEncodeBlock, cold, true)->Apply(Sizes);
BENCHMARK_CAPTURE(KaveloBase64Encode, cold_scalar, true, Base64Path::Scalar)->Apply(Sizes);
BENCHMARK_CAPTURE(KaveloBase64Encode, cold_avx2, true, Base64Path::Avx2)->Apply(Sizes);
BENCHMARK_CAPTURE(KaveloBase64Encode, cold_avx512, true, Base64Path::Avx512)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();
