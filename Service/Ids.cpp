#include "Ids.hpp"

#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

namespace kavelo {

namespace {

constexpr std::size_t kImageIdBytes = 16; // 128 bits
constexpr std::size_t kImageIdLength = 22;
constexpr std::string_view kUrlSafeAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

bool IsLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

} // namespace

bool IsLinkId(std::string_view text) {
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !IsLowerHex(text[i]))
            return false;
    }
    const char variant = text[19];
    return text[14] == '4' && (variant == '8' || variant == '9' || variant == 'a' || variant == 'b');
}

std::string RandomText(std::size_t bytes) {
    std::vector<unsigned char> bits(bytes);
    if (RAND_bytes(bits.data(), static_cast<int>(bits.size())) != 1)
        throw std::runtime_error("the random generator failed");
    // Six bits a digit; the last digit carries what remains.
    std::string text;
    text.reserve((bytes * 8 + 5) / 6);
    unsigned accumulator = 0;
    int pending = 0;
    for (const unsigned char byte : bits) {
        accumulator = (accumulator << 8) | byte;
        pending += 8;
        while (pending >= 6) {
            pending -= 6;
            text += kUrlSafeAlphabet[(accumulator >> pending) & 0x3f];
        }
    }
    if (pending > 0)
        text += kUrlSafeAlphabet[(accumulator << (6 - pending)) & 0x3f];
    return text;
}

std::string NewImageId() {
    return RandomText(kImageIdBytes);
}

bool IsImageId(std::string_view text) {
    return text.size() == kImageIdLength &&
           text.find_first_not_of(kUrlSafeAlphabet) == std::string_view::npos;
}

} // namespace kavelo
