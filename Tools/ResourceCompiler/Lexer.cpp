#include "Lexer.hpp"

#include <cctype>
#include <cstdio>

namespace ResourceCompiler {

namespace {

bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

std::string DescribeByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F)
        return std::string("'") + c + "'";
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(byte));
    return std::string("byte ") + hex;
}

class Scanner {
public:
    Scanner(std::string_view text, const std::string& fileName) : source(text), where{fileName, 1} {}

    std::vector<Token> Run() {
        std::vector<Token> tokens;
        for (SkipBlanks(); !AtEnd(); SkipBlanks()) {
            Token token = ReadToken();
            if (token.kind == TokenKind::Text && !tokens.empty() && tokens.back().kind == TokenKind::Text)
                tokens.back().text += token.text;
            else
                tokens.push_back(std::move(token));
        }
        tokens.push_back(Token{TokenKind::End, {}, 0, where});
        return tokens;
    }

private:
    bool AtEnd() const { return pos >= source.size(); }
    char Peek(std::size_t ahead = 0) const {
        return pos + ahead < source.size() ? source[pos + ahead] : '\0';
    }

    void SkipBlanks() {
        while (!AtEnd()) {
            const char c = Peek();
            if (c == '\n') {
                ++pos;
                ++where.line;
                atLineStart = true;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos;
            } else if (c == '#' && atLineStart) {
                ReadLineMarker();
            } else {
                return;
            }
        }
    }

    // "# <line> "<file>" <flags>" or "#line <line> "<file>"": the next line is <line> of <file>.
    void ReadLineMarker() {
        const std::size_t end = source.find('\n', pos);
        std::string_view line = source.substr(pos + 1, end == std::string_view::npos ? end : end - pos - 1);
        pos = end == std::string_view::npos ? source.size() : end;

        const auto skipSpaces = [&line] {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
        };
        skipSpaces();
        if (line.starts_with("line")) {
            line.remove_prefix(4);
            skipSpaces();
        }
        int number = 0;
        std::size_t digits = 0;
        for (; digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits])); ++digits) {
            number = number * 10 + (line[digits] - '0');
            if (number > 100'000'000)
                throw CompileError(where, "line marker with an implausible line number");
        }
        if (digits == 0)
            throw CompileError(where,
                               "unexpected preprocessor directive (resource sources are compiled after "
                               "the C preprocessor has run)");
        line.remove_prefix(digits);
        skipSpaces();
        if (!line.empty() && line.front() == '"')
            where.file = ReadMarkerFileName(line.substr(1));
        // The line feed that ends the marker advances to the marker's line.
        where.line = number - 1;
    }

    std::string ReadMarkerFileName(std::string_view quoted) const {
        std::string name;
        for (std::size_t i = 0; i < quoted.size(); ++i) {
            if (quoted[i] == '"')
                return name;
            if (quoted[i] == '\\' && i + 1 < quoted.size())
                ++i;
            name += quoted[i];
        }
        throw CompileError(where, "line marker with an unterminated file name");
    }

    Token ReadToken() {
        atLineStart = false;
        const char c = Peek();
        if (c == '{' || c == '}') {
            ++pos;
            return Token{c == '{' ? TokenKind::OpenBrace : TokenKind::CloseBrace, std::string(1, c), 0,
                         where};
        }
        if (c == '\'')
            return ReadTypeCode();
        if (c == '"')
            return ReadText();
        if (std::isdigit(static_cast<unsigned char>(c)))
            return ReadNumber();
        if (IsWordStart(c))
            return ReadWord();
        throw CompileError(where, "unexpected " + DescribeByte(c));
    }

    Token ReadTypeCode() {
        const bool wellFormed = Peek(5) == '\'' && [this] {
            for (std::size_t i = 1; i <= 4; ++i)
                if (Peek(i) == '\'' || IsControl(Peek(i)))
                    return false;
            return true;
        }();
        if (!wellFormed)
            throw CompileError(where, "a resource type is four characters in single quotes, like 'STRS'");
        Token token{TokenKind::TypeCode, std::string(source.substr(pos + 1, 4)), 0, where};
        pos += 6;
        return token;
    }

    Token ReadText() {
        Token token{TokenKind::Text, {}, 0, where};
        ++pos;
        while (true) {
            if (AtEnd() || Peek() == '\n')
                throw CompileError(token.where, "unterminated string");
            const char c = source[pos++];
            if (c == '"')
                return token;
            if (c == '\\') {
                const char escaped = Peek();
                if (escaped != '"' && escaped != '\\')
                    throw CompileError(
                        where, "unknown escape sequence in a string (only \\\" and \\\\ are allowed)");
                token.text += escaped;
                ++pos;
            } else if (IsControl(c)) {
                throw CompileError(where, "control character " + DescribeByte(c) + " in a string");
            } else {
                token.text += c;
            }
        }
    }

    Token ReadNumber() {
        Token token{TokenKind::Number, {}, 0, where};
        const bool hex = Peek() == '0' && (Peek(1) == 'x' || Peek(1) == 'X');
        const int base = hex ? 16 : 10;
        if (hex)
            pos += 2;
        std::uint64_t value = 0;
        std::size_t digits = 0;
        for (; std::isxdigit(static_cast<unsigned char>(Peek())); ++pos, ++digits) {
            const char c = Peek();
            if (!hex && !std::isdigit(static_cast<unsigned char>(c)))
                break;
            const int digit = std::isdigit(static_cast<unsigned char>(c))
                                  ? c - '0'
                                  : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
            value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFu)
                throw CompileError(token.where, "number too large (at most 4294967295)");
        }
        if (digits == 0 || IsWordChar(Peek()))
            throw CompileError(token.where, "malformed number");
        token.number = static_cast<std::uint32_t>(value);
        return token;
    }

    Token ReadWord() {
        const std::size_t start = pos;
        while (IsWordChar(Peek()))
            ++pos;
        return Token{TokenKind::Word, std::string(source.substr(start, pos - start)), 0, where};
    }

    std::string_view source;
    std::size_t pos = 0;
    Location where;
    bool atLineStart = true;
};

} // namespace

std::vector<Token> Tokenize(std::string_view source, const std::string& fileName) {
    return Scanner(source, fileName).Run();
}

std::string_view Describe(TokenKind kind) {
    switch (kind) {
    case TokenKind::TypeCode:
        return "a resource type";
    case TokenKind::Word:
        return "a word";
    case TokenKind::Number:
        return "a number";
    case TokenKind::Text:
        return "a string";
    case TokenKind::OpenBrace:
        return "'{'";
    case TokenKind::CloseBrace:
        return "'}'";
    case TokenKind::End:
        return "the end of the file";
    }
    return "a token";
}

} // namespace ResourceCompiler
