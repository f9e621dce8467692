// The service's base64 decoder on any text: what it accepts has the length its text promises, and
// OpenSSL's encoding of it decodes to the same bytes again.

#include "Base64.hpp"

#include "FuzzCheck.hpp"

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string decoded;
    if (!kavelo::DecodeBase64(text, decoded))
        return 0;
    std::string encoded(size + 1, '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                        reinterpret_cast<const unsigned char*>(decoded.data()), int(decoded.size()));
    FUZZ_CHECK(written == int(size));
    encoded.resize(std::size_t(written));
    std::string again;
    FUZZ_CHECK(kavelo::DecodeBase64(encoded, again) && again == decoded);
    return 0;
}
