// kavelo-service: the costs behind an upload (JSON parsing and base64 decoding of a multi-megabyte
// body), the upload throughput of 50 concurrent clients, and the time to start.

#include "Base64.hpp"
#include "ServiceProcess.hpp"
#include "TestData.hpp"
#include "TlsClient.hpp"
#include "UploadBody.hpp"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <simdjson.h>

#include <cstring>

namespace {

using namespace kavelo;

// An 8 MB picture, as a large Archicad window gives: about 11 MB of JSON.
const std::string& LargeJpeg() {
    static const std::string jpeg = test::MakeJpeg(8'000'000, 1);
    return jpeg;
}
const std::string& LargeBody() {
    static const std::string body = test::UploadBody(LargeJpeg());
    return body;
}
const std::string& LargeBase64() {
    static const std::string text = EncodeBase64(LargeJpeg());
    return text;
}

void BM_Json_Simdjson(benchmark::State& state) {
    const simdjson::padded_string body(LargeBody());
    simdjson::dom::parser parser;
    for (auto _ : state) {
        std::string_view image;
        if (parser.parse(body).get_object()["image"].get_string().get(image))
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * LargeBody().size()));
}
BENCHMARK(BM_Json_Simdjson)->Unit(benchmark::kMillisecond);

void BM_Json_Nlohmann(benchmark::State& state) {
    for (auto _ : state) {
        const nlohmann::json document = nlohmann::json::parse(LargeBody());
        const auto& image = document.at("image").get_ref<const std::string&>();
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * LargeBody().size()));
}
BENCHMARK(BM_Json_Nlohmann)->Unit(benchmark::kMillisecond);

void BM_Base64Decode_Service(benchmark::State& state) {
    std::string out;
    for (auto _ : state) {
        DecodeBase64(LargeBase64(), out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * LargeBase64().size()));
}
BENCHMARK(BM_Base64Decode_Service)->Unit(benchmark::kMillisecond);

void BM_Base64Decode_OpenSsl(benchmark::State& state) {
    std::string out(LargeBase64().size() / 4 * 3, '\0');
    for (auto _ : state) {
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(LargeBase64().data()),
                        static_cast<int>(LargeBase64().size()));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * LargeBase64().size()));
}
BENCHMARK(BM_Base64Decode_OpenSsl)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
    std::string out(LargeBase64().size(), '\0');
    for (auto _ : state) {
        std::memcpy(out.data(), LargeBase64().data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * LargeBase64().size()));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// The whole of reading an upload body: parse, decode, check.
void BM_ReadUpload(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string body = LargeBody();
        body.reserve(body.size() + kUploadBodyPadding);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ReadUpload(body).index());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * LargeBody().size()));
}
BENCHMARK(BM_ReadUpload)->Unit(benchmark::kMillisecond);

struct SharedService {
    test::TempDir folder;
    test::ServiceProcess service{folder.Path() / "data"};
    std::string linkId = test::LinkNewId(service, test::SignInFirst(service));
    std::string body = test::UploadBody(test::MakeJpeg(2'000'000, 2));
};

SharedService& Shared() {
    static SharedService shared;
    return shared;
}

// Each thread a client with its own kept-alive connection, posting 2 MB pictures one after
// another; the figure is the total over all threads.
void BM_ConcurrentUploads(benchmark::State& state) {
    SharedService& shared = Shared();
    test::TlsSettings settings; // one address a client, as one address holds only its share
    settings.source = "127.0.2." + std::to_string(state.thread_index() + 1);
    test::TlsClient client(shared.service.Port(), shared.service.CaFile(), settings);
    const test::HttpRequest request = test::UploadRequest(shared.linkId, shared.body);
    const std::string text = request.Text();
    for (auto _ : state) {
        client.Send(text);
        if (client.ReadResponse().status != 201)
            state.SkipWithError("upload failed");
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * shared.body.size()));
}
BENCHMARK(BM_ConcurrentUploads)->Threads(50)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);

// From starting the process to its "listening" line: the first time with a new certificate
// authority and database, then with what the first start left.
void BM_Start(benchmark::State& state) {
    const bool empty = state.range(0) == 0;
    const test::TempDir folder;
    { const test::ServiceProcess first(folder.Path() / "warm"); }
    for (auto _ : state) {
        const test::TempDir fresh;
        const auto data = empty ? fresh.Path() / "data" : folder.Path() / "warm";
        const auto start = std::chrono::steady_clock::now();
        test::ServiceProcess service(data);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetLabel(empty ? "empty data folder" : "existing data folder");
}
BENCHMARK(BM_Start)->Arg(0)->Arg(1)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
