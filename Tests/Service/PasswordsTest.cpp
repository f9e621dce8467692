#include "Passwords.hpp"

#include <gtest/gtest.h>

namespace kavelo {
namespace {

TEST(ServicePasswordsTest, HashIsSaltedAndChecksOnlyTheRightPassword) {
    const std::string password = NewPassword();
    EXPECT_EQ(password.size(), 20u);
    EXPECT_NE(NewPassword(), password);
    const std::string stored = HashPassword(password);
    EXPECT_EQ(stored.find(password), std::string::npos);
    EXPECT_NE(HashPassword(password), stored) << "no salt";
    EXPECT_TRUE(VerifyPassword(password, stored));
    for (const std::string& wrong : {std::string(), password + "x", password.substr(1)})
        EXPECT_FALSE(VerifyPassword(wrong, stored)) << wrong;
}

TEST(ServicePasswordsTest, StoredTextsThatAreNotAHashMatchNothing) {
    const std::string stored = HashPassword("secret");
    const std::string salt = stored.substr(0, stored.rfind('$'));
    for (const std::string& bad :
         {std::string(), std::string("secret"), stored.substr(0, stored.size() - 4), salt + "$",
          "$scrypt$ln=30,r=8,p=1" + stored.substr(stored.find('$', 8)), // asks for 128 GiB
          "$scrypt$ln=15,r=0,p=1" + stored.substr(stored.find('$', 8)),
          "$pbkdf2$ln=15,r=8,p=1" + stored.substr(stored.find('$', 8))})
        EXPECT_FALSE(VerifyPassword("secret", bad)) << bad;
}

TEST(ServicePasswordsTest, TokenDigestIsSha256InHex) {
    EXPECT_EQ(TokenDigest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(TokenDigest("abc").size(), 64u);
}

} // namespace
} // namespace kavelo
