#pragma once

#include <string>
#include <string_view>

namespace kavelo {

// Passwords are kept only as a salted scrypt hash, "$scrypt$ln=15,r=8,p=1$<salt>$<hash>", so the
// database gives away no password, and guessing one from it costs 32 MiB and a tenth of a second
// a try.
std::string HashPassword(std::string_view password);
// False also for a stored text that is not such a hash.
bool VerifyPassword(std::string_view password, std::string_view stored);

// A generated password: 20 characters of the URL-safe alphabet, 120 random bits.
std::string NewPassword();

// The SHA-256 of a session token, in hex: what the database keeps instead of the token.
std::string TokenDigest(std::string_view token);

} // namespace kavelo
