#include "Passwords.hpp"

#include "Base64.hpp"
#include "Ids.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <stdexcept>

namespace kavelo {

namespace {

constexpr unsigned kLogN = 15;
constexpr std::uint64_t kR = 8;
constexpr std::uint64_t kP = 1;
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
// scrypt needs 128 * r * N bytes; anything a stored text asks beyond this is refused.
constexpr std::uint64_t kMaxMemory = 64ull * 1024 * 1024;
constexpr std::string_view kPrefix = "$scrypt$";

std::string Scrypt(std::string_view password, std::string_view salt, unsigned logN, std::uint64_t r,
                   std::uint64_t p) {
    std::string hash(kHashBytes, '\0');
    if (EVP_PBE_scrypt(password.data(), password.size(), reinterpret_cast<const unsigned char*>(salt.data()),
                       salt.size(), std::uint64_t{1} << logN, r, p, kMaxMemory,
                       reinterpret_cast<unsigned char*>(hash.data()), hash.size()) != 1)
        throw std::runtime_error("scrypt failed");
    return hash;
}

// Reads "<name><number><end>" from the front of `text`.
bool TakeParameter(std::string_view& text, std::string_view name, char end, std::uint64_t& value) {
    if (!text.starts_with(name))
        return false;
    text.remove_prefix(name.size());
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || next == text.data() + text.size() || *next != end)
        return false;
    text.remove_prefix(static_cast<std::size_t>(next - text.data()) + 1);
    return true;
}

} // namespace

std::string HashPassword(std::string_view password) {
    std::array<unsigned char, kSaltBytes> salt{};
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1)
        throw std::runtime_error("the random generator failed");
    const std::string_view saltText(reinterpret_cast<const char*>(salt.data()), salt.size());
    return std::string(kPrefix) + "ln=" + std::to_string(kLogN) + ",r=" + std::to_string(kR) +
           ",p=" + std::to_string(kP) + "$" + EncodeBase64(saltText) + "$" +
           EncodeBase64(Scrypt(password, saltText, kLogN, kR, kP));
}

bool VerifyPassword(std::string_view password, std::string_view stored) {
    if (!stored.starts_with(kPrefix))
        return false;
    stored.remove_prefix(kPrefix.size());
    std::uint64_t logN = 0, r = 0, p = 0;
    if (!TakeParameter(stored, "ln=", ',', logN) || !TakeParameter(stored, "r=", ',', r) ||
        !TakeParameter(stored, "p=", '$', p))
        return false;
    if (logN < 1 || logN > 20 || r < 1 || p < 1 || 128 * r * (std::uint64_t{1} << logN) > kMaxMemory / 2)
        return false;
    const auto dollar = stored.find('$');
    if (dollar == std::string_view::npos)
        return false;
    std::string salt, expected;
    if (!DecodeBase64(stored.substr(0, dollar), salt) || !DecodeBase64(stored.substr(dollar + 1), expected) ||
        expected.size() != kHashBytes)
        return false;
    const std::string actual = Scrypt(password, salt, static_cast<unsigned>(logN), r, p);
    return CRYPTO_memcmp(actual.data(), expected.data(), kHashBytes) == 0;
}

std::string NewPassword() {
    return RandomText(15);
}

std::string TokenDigest(std::string_view token) {
    std::array<unsigned char, SHA256_DIGEST_LENGTH> digest{};
    SHA256(reinterpret_cast<const unsigned char*>(token.data()), token.size(), digest.data());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const unsigned char byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0xf];
    }
    return text;
}

} // namespace kavelo
