#pragma once

// Framed text for the terminal: alerts in a double frame, dialogs in a single one. The title sits
// in the top edge, long lines are wrapped at blanks, and a rule may cross the box. Widths count
// code points, so UTF-8 text keeps the frame straight.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Workbench {

enum class BoxFrame { Single, Double };

struct BoxLine {
    std::string text;
    bool rule = false; // a line across the box instead of text

    static BoxLine Rule() { return {{}, true}; }
};

// The widest a box's text may be before it is wrapped.
inline constexpr std::size_t BoxTextWidth = 64;

// Every line of the result ends in a line feed.
std::string DrawBox(std::string_view title, const std::vector<BoxLine>& lines, BoxFrame frame);

// `text` in lines of at most `width` code points: broken at blanks where it can be, inside a word
// that is longer than a line, and at every line feed. An empty text is one empty line.
std::vector<std::string> WrapText(std::string_view text, std::size_t width);

// Code points in `text`; a byte that does not continue a sequence counts as one.
std::size_t DisplayWidth(std::string_view text);

} // namespace Workbench
