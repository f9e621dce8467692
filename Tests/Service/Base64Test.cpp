#include "Base64.hpp"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>

namespace kavelo {
namespace {

std::string Encode(const std::string& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int size =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(size));
    return text;
}

TEST(ServiceBase64Test, DecodesWhatOpenSslEncodesAtEveryLength) {
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 80; ++length) {
        std::string bytes(length, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        std::string decoded = "left over";
        ASSERT_TRUE(DecodeBase64(Encode(bytes), decoded)) << "length " << length;
        EXPECT_EQ(decoded, bytes) << "length " << length;
    }
}

TEST(ServiceBase64Test, DecodesEveryAlphabetCharacter) {
    std::string decoded;
    ASSERT_TRUE(DecodeBase64("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", decoded));
    EXPECT_EQ(Encode(decoded), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
}

TEST(ServiceBase64Test, RejectsTextOutsideTheStrictForm) {
    const std::string_view bad[] = {
        "A",
        "AB",
        "ABC",
        "QUJDR", // length not a multiple of four
        "AB=C",
        "=AAA",
        "A===",
        "====", // padding out of place
        "QQ==QUJD",
        "AAAA====", // padding before the end
        "QUJ-",
        "QUJ_",
        "QU JD",
        "QUJD\n", // URL-safe alphabet, white space
        "QUJ\x80",
        "QUJ\xff",
        "QUJ.", // bytes outside the alphabet
        std::string_view("QU\0D", 4),
    };
    for (const std::string_view text : bad) {
        std::string decoded;
        EXPECT_FALSE(DecodeBase64(text, decoded)) << '"' << text << '"';
    }
}

TEST(ServiceBase64Test, EmptyTextIsEmptyData) {
    std::string decoded = "left over";
    EXPECT_TRUE(DecodeBase64("", decoded));
    EXPECT_TRUE(decoded.empty());
}

} // namespace
} // namespace kavelo
