#include "Base64.hpp"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

namespace {

using namespace std::string_literals;

TEST(Base64, PaddingForEveryRemainder) {
    EXPECT_EQ(Base64Encode("abc"s), "YWJj");
    EXPECT_EQ(Base64Encode("ab"s), "YWI=");
    EXPECT_EQ(Base64Encode("a"s), "YQ==");
    EXPECT_EQ(Base64Encode(""s), "");
    EXPECT_EQ(Base64Encode("\xFB\xFF"s), "+/8=");
    EXPECT_EQ(Base64Encode("\0"s), "AA==");
    EXPECT_EQ(Base64Encode("a\0b\0"s), "YQBiAA==");
}

// The encoding written out bit by bit, as the reference for arbitrary input.
std::string ReferenceEncode(const std::string& bytes) {
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bits;
    for (const unsigned char byte : bytes)
        for (int bit = 7; bit >= 0; --bit)
            bits += char('0' + ((byte >> bit) & 1));
    while (bits.size() % 6 != 0)
        bits += '0';
    std::string text;
    for (std::size_t i = 0; i < bits.size(); i += 6)
        text += alphabet[std::stoi(bits.substr(i, 6), nullptr, 2)];
    while (text.size() % 4 != 0)
        text += '=';
    return text;
}

// The scalar path is the reference of the vector paths below.
TEST(Base64, ScalarPathAgreesWithTheBitwiseDefinitionOnEveryByteValueAndLength) {
    const auto scalar = [](const std::string& bytes) {
        return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                            Base64Path::Scalar);
    };
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 70; ++length) {
        std::string bytes(length, '\0');
        for (char& byte : bytes)
            byte = char(random());
        EXPECT_EQ(scalar(bytes), ReferenceEncode(bytes)) << "length " << length;
    }
    std::string allValues;
    for (int value = 0; value < 256; ++value)
        allValues += char(value);
    EXPECT_EQ(scalar(allValues), ReferenceEncode(allValues));
}

TEST(Base64, LongInputHasNoLineBreaksAndExactLength) {
    const std::string bytes(3 * 20000, '\x7F');
    const std::string text = Base64Encode(bytes);
    EXPECT_EQ(text.size(), 80000u);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(Base64, PointerFormReadsExactlyTheGivenLength) {
    const unsigned char bytes[] = {'a', 'b', 'c', 'X', 'Y'};
    EXPECT_EQ(Base64Encode(bytes, 3), "YWJj");
    EXPECT_EQ(Base64Encode(bytes, 0), "");
}

std::string OpenSslEncode(const std::string& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    text.resize(std::size_t(length));
    return text;
}

TEST(Base64, AgreesWithOpenSslOnEveryLengthUpTo4096AndOnMegabytes) {
    std::mt19937 random(11);
    std::string bytes;
    for (std::size_t length = 0; length <= 4096; ++length) {
        EXPECT_EQ(Base64Encode(bytes), OpenSslEncode(bytes)) << "length " << length;
        bytes += char(random());
    }
    for (const std::size_t megabytes : {1, 3, 8}) {
        std::string large(megabytes * 1024 * 1024 + megabytes, '\0');
        for (char& byte : large)
            byte = char(random());
        EXPECT_EQ(Base64Encode(large), OpenSslEncode(large)) << megabytes << " MB";
    }
}

} // namespace
