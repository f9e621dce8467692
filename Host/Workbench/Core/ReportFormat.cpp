#include "ReportFormat.hpp"

#include <charconv>
#include <iterator>
#include <optional>
#include <vector>

namespace Workbench {

namespace {

enum class Length { Int, Long, LongLong };
enum class Conversion { Text, Signed, Unsigned, Hex };

// One piece of the format: literal text, or a conversion that reads one argument.
struct Piece {
    std::string_view literal;
    std::optional<Conversion> conversion;
    Length length = Length::Int;
};

struct ParsedFormat {
    std::vector<Piece> pieces;
    std::string problem;
};

std::optional<Conversion> ConversionOf(char letter) {
    switch (letter) {
    case 's':
        return Conversion::Text;
    case 'd':
    case 'i':
        return Conversion::Signed;
    case 'u':
        return Conversion::Unsigned;
    case 'x':
        return Conversion::Hex;
    default:
        return std::nullopt;
    }
}

ParsedFormat Parse(std::string_view format) {
    ParsedFormat parsed;
    std::size_t literalStart = 0;
    std::size_t at = 0;
    while (at < format.size()) {
        if (format[at] != '%') {
            ++at;
            continue;
        }
        if (at > literalStart)
            parsed.pieces.push_back({format.substr(literalStart, at - literalStart), std::nullopt});
        const std::size_t start = at++;
        if (at < format.size() && format[at] == '%') {
            parsed.pieces.push_back({format.substr(at, 1), std::nullopt});
            literalStart = ++at;
            continue;
        }
        Length length = Length::Int;
        if (format.substr(at, 2) == "ll") {
            length = Length::LongLong;
            at += 2;
        } else if (format.substr(at, 1) == "l") {
            length = Length::Long;
            at += 1;
        }
        const std::optional<Conversion> conversion =
            at < format.size() ? ConversionOf(format[at]) : std::nullopt;
        if (!conversion || (*conversion == Conversion::Text && length != Length::Int)) {
            const std::string_view spec =
                format.substr(start, at < format.size() ? at - start + 1 : at - start);
            parsed.problem =
                "unsupported conversion \"" + std::string(spec) + "\" at offset " + std::to_string(start);
            return parsed;
        }
        parsed.pieces.push_back({{}, conversion, length});
        literalStart = ++at;
    }
    if (at > literalStart)
        parsed.pieces.push_back({format.substr(literalStart, at - literalStart), std::nullopt});
    return parsed;
}

void AppendSigned(std::string& out, Length length, va_list& args) {
    switch (length) {
    case Length::Int:
        out += std::to_string(va_arg(args, int));
        return;
    case Length::Long:
        out += std::to_string(va_arg(args, long));
        return;
    case Length::LongLong:
        out += std::to_string(va_arg(args, long long));
        return;
    }
}

unsigned long long ReadUnsigned(Length length, va_list& args) {
    switch (length) {
    case Length::Int:
        return va_arg(args, unsigned int);
    case Length::Long:
        return va_arg(args, unsigned long);
    case Length::LongLong:
        return va_arg(args, unsigned long long);
    }
    return 0;
}

void AppendHex(std::string& out, unsigned long long value) {
    char digits[2 * sizeof value];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value, 16).ptr;
    out.append(std::begin(digits), end);
}

void AppendPiece(std::string& out, const Piece& piece, va_list& args) {
    if (!piece.conversion) {
        out += piece.literal;
        return;
    }
    switch (*piece.conversion) {
    case Conversion::Text: {
        const char* text = va_arg(args, const char*);
        out += text != nullptr ? text : "(null)";
        return;
    }
    case Conversion::Signed:
        AppendSigned(out, piece.length, args);
        return;
    case Conversion::Unsigned:
        out += std::to_string(ReadUnsigned(piece.length, args));
        return;
    case Conversion::Hex:
        AppendHex(out, ReadUnsigned(piece.length, args));
        return;
    }
}

} // namespace

ReportText FormatReport(std::string_view format, va_list* args) {
    const ParsedFormat parsed = Parse(format);
    if (!parsed.problem.empty())
        return {std::string(format), parsed.problem};

    bool needsArguments = false;
    for (const Piece& piece : parsed.pieces)
        needsArguments = needsArguments || piece.conversion.has_value();
    if (needsArguments && args == nullptr)
        return {std::string(format), "the format has conversions but no argument list came with it"};

    ReportText result;
    if (!needsArguments) {
        for (const Piece& piece : parsed.pieces)
            result.text += piece.literal;
        return result;
    }
    va_list copy;
    va_copy(copy, *args);
    for (const Piece& piece : parsed.pieces)
        AppendPiece(result.text, piece, copy);
    va_end(copy);
    return result;
}

} // namespace Workbench
