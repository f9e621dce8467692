#pragma once

// Splits preprocessed resource source into tokens. Line markers left by the C preprocessor
// ("# 12 "Dialogs.grc" 2") keep every token's location in the file the author wrote.

#include "Diagnostics.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ResourceCompiler {

enum class TokenKind {
    TypeCode,   // 'STRS'
    Word,       // Button, at, size, ...
    Number,     // 32511, 0x4B41564C
    Text,       // "..." (adjacent literals already joined, escapes resolved)
    OpenBrace,  // {
    CloseBrace, // }
    End
};

struct Token {
    TokenKind kind;
    std::string text; // the type code, word or decoded text
    std::uint32_t number = 0;
    Location where;
};

// Throws CompileError on a character, literal or directive it does not understand.
std::vector<Token> Tokenize(std::string_view source, const std::string& fileName);

// How a token kind is named in error messages.
std::string_view Describe(TokenKind kind);

} // namespace ResourceCompiler
