#include "Base64.hpp"

#include <openssl/evp.h>

#include <array>
#include <cstdint>

namespace kavelo {

namespace {

constexpr std::uint8_t kInvalid = 0xff;

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(kInvalid);
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::uint8_t>(i);
    return table;
}

constexpr std::array<std::uint8_t, 256> kDecode = MakeDecodeTable();

std::uint32_t Digit(char c) {
    return kDecode[static_cast<unsigned char>(c)];
}

} // namespace

bool DecodeBase64(std::string_view text, std::string& out) {
    out.clear();
    if (text.empty())
        return true;
    if (text.size() % 4 != 0)
        return false;

    std::size_t padding = 0;
    if (text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    out.resize(text.size() / 4 * 3 - padding);

    const char* in = text.data();
    auto* dst = reinterpret_cast<unsigned char*>(out.data());
    // Every quad but the last has four digits; an invalid digit sets the high bits of the OR.
    const std::size_t fullQuads = text.size() / 4 - 1;
    for (std::size_t q = 0; q < fullQuads; ++q, in += 4, dst += 3) {
        const std::uint32_t a = Digit(in[0]), b = Digit(in[1]), c = Digit(in[2]), d = Digit(in[3]);
        if ((a | b | c | d) & 0x80)
            return false;
        const std::uint32_t v = (a << 18) | (b << 12) | (c << 6) | d;
        dst[0] = static_cast<unsigned char>(v >> 16);
        dst[1] = static_cast<unsigned char>(v >> 8);
        dst[2] = static_cast<unsigned char>(v);
    }

    const std::uint32_t a = Digit(in[0]), b = Digit(in[1]);
    const std::uint32_t c = padding == 2 ? 0 : Digit(in[2]);
    const std::uint32_t d = padding >= 1 ? 0 : Digit(in[3]);
    if ((a | b | c | d) & 0x80)
        return false;
    const std::uint32_t v = (a << 18) | (b << 12) | (c << 6) | d;
    dst[0] = static_cast<unsigned char>(v >> 16);
    if (padding < 2)
        dst[1] = static_cast<unsigned char>(v >> 8);
    if (padding < 1)
        dst[2] = static_cast<unsigned char>(v);
    return true;
}

std::string EncodeBase64(std::string_view bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3), '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(written));
    return text;
}

} // namespace kavelo
