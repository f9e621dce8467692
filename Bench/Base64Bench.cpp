// The add-on's base64 encoder on a picture-sized input, against the two natural baselines: copying
// the same bytes (memcpy, the floor) and OpenSSL's encoder. Run with --benchmark_repetitions to get
// medians; compare ratios within one run.

#include "Base64.hpp"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstring>
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

void Memcpy(benchmark::State& state) {
    const auto input = Picture(std::size_t(state.range(0)));
    std::vector<unsigned char> output(input.size());
    for (auto _ : state) {
        std::memcpy(output.data(), input.data(), input.size());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void OpenSslEncodeBlock(benchmark::State& state) {
    const auto input = Picture(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::string text(4 * ((input.size() + 2) / 3), '\0');
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), input.data(), int(input.size()));
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void KaveloBase64Encode(benchmark::State& state) {
    const auto input = Picture(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::string text = Base64Encode(input.data(), input.size());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

constexpr int64_t EightMegabytes = 8 << 20;

BENCHMARK(Memcpy)->Arg(EightMegabytes)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenSslEncodeBlock)->Arg(EightMegabytes)->Unit(benchmark::kMillisecond);
BENCHMARK(KaveloBase64Encode)->Arg(EightMegabytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
