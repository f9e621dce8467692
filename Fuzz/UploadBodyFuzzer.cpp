// The service's reading of an upload body, with and without spare capacity behind it: any body is
// an upload or a message saying what is wrong, and both readings agree.

#include "UploadBody.hpp"

#include "FuzzCheck.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace {

std::variant<kavelo::Upload, std::string> Read(const std::uint8_t* data, std::size_t size,
                                               std::size_t capacity) {
    std::string body;
    body.reserve(capacity);
    body.assign(reinterpret_cast<const char*>(data), size);
    return kavelo::ReadUpload(body);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto padded = Read(data, size, size + kavelo::kUploadBodyPadding);
    const auto tight = Read(data, size, size);
    FUZZ_CHECK(padded.index() == tight.index());
    if (const auto* upload = std::get_if<kavelo::Upload>(&padded)) {
        const auto& other = std::get<kavelo::Upload>(tight);
        FUZZ_CHECK(upload->jpeg == other.jpeg && upload->name == other.name &&
                   upload->source == other.source);
    }
    return 0;
}
