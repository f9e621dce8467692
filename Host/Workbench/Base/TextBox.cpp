#include "TextBox.hpp"

#include <algorithm>

namespace Workbench {

namespace {

struct FrameGlyphs {
    std::string_view horizontal, vertical, topLeft, topRight, bottomLeft, bottomRight, ruleLeft, ruleRight,
        ruleLine;
};

constexpr FrameGlyphs Single = {"─", "│", "┌", "┐", "└", "┘", "├", "┤", "─"};
constexpr FrameGlyphs Double = {"═", "║", "╔", "╗", "╚", "╝", "╟", "╢", "─"};

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// The byte offset after `count` code points of `text` (or its end).
std::size_t OffsetAfter(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t seen = 0; at < text.size() && seen < count; ++seen) {
        ++at;
        while (at < text.size() && IsContinuation(text[at]))
            ++at;
    }
    return at;
}

std::string Repeat(std::string_view glyph, std::size_t count) {
    std::string line;
    for (std::size_t i = 0; i < count; ++i)
        line += glyph;
    return line;
}

void WrapParagraph(std::string_view paragraph, std::size_t width, std::vector<std::string>& lines) {
    // A line that fits keeps its spacing as it stands.
    if (DisplayWidth(paragraph) <= width) {
        lines.emplace_back(paragraph);
        return;
    }
    std::string line;
    std::size_t lineWidth = 0;
    std::size_t at = 0;
    while (at < paragraph.size()) {
        const std::size_t wordStart = paragraph.find_first_not_of(' ', at);
        if (wordStart == std::string_view::npos)
            break;
        const std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
        std::string_view word = paragraph.substr(wordStart, wordEnd - wordStart);
        at = wordEnd;
        std::size_t wordWidth = DisplayWidth(word);
        if (lineWidth > 0 && lineWidth + 1 + wordWidth > width) {
            lines.push_back(line);
            line.clear();
            lineWidth = 0;
        }
        // A word wider than a line starts on a line of its own and is cut into line-long pieces.
        while (wordWidth > width) {
            const std::size_t cut = OffsetAfter(word, width);
            lines.emplace_back(word.substr(0, cut));
            word.remove_prefix(cut);
            wordWidth = DisplayWidth(word);
        }
        if (word.empty())
            continue;
        if (lineWidth > 0) {
            line += ' ';
            ++lineWidth;
        }
        line += word;
        lineWidth += wordWidth;
    }
    lines.push_back(line);
}

} // namespace

std::size_t DisplayWidth(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}

std::vector<std::string> WrapText(std::string_view text, std::size_t width) {
    std::vector<std::string> lines;
    width = std::max<std::size_t>(width, 1);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        WrapParagraph(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start), width,
            lines);
        if (end == std::string_view::npos)
            return lines;
        start = end + 1;
    }
}

std::string DrawBox(std::string_view title, const std::vector<BoxLine>& lines, BoxFrame frame) {
    const FrameGlyphs& glyphs = frame == BoxFrame::Double ? Double : Single;
    std::vector<BoxLine> wrapped;
    for (const BoxLine& line : lines) {
        if (line.rule) {
            wrapped.push_back(line);
            continue;
        }
        for (std::string& piece : WrapText(line.text, BoxTextWidth))
            wrapped.push_back({std::move(piece), false});
    }
    const std::string heading = title.empty() ? std::string() : " " + std::string(title) + " ";
    std::size_t inner = DisplayWidth(heading) + 2;
    for (const BoxLine& line : wrapped)
        inner = std::max(inner, DisplayWidth(line.text) + 2);

    std::string box = std::string(glyphs.topLeft) + Repeat(glyphs.horizontal, 1) + heading +
                      Repeat(glyphs.horizontal, inner - 1 - DisplayWidth(heading)) +
                      std::string(glyphs.topRight) + "\n";
    for (const BoxLine& line : wrapped) {
        if (line.rule) {
            box += std::string(glyphs.ruleLeft) + Repeat(glyphs.ruleLine, inner) +
                   std::string(glyphs.ruleRight) + "\n";
        } else {
            box += std::string(glyphs.vertical) + " " + line.text +
                   std::string(inner - 1 - DisplayWidth(line.text), ' ') + std::string(glyphs.vertical) +
                   "\n";
        }
    }
    return box + std::string(glyphs.bottomLeft) + Repeat(glyphs.horizontal, inner) +
           std::string(glyphs.bottomRight) + "\n";
}

} // namespace Workbench
