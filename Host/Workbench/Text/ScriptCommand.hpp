#pragma once

// The workbench's command language, shared by scripts and the interactive prompt: one command a
// line, '#' starts a comment, double quotes hold text with blanks.

#include "FrontWindow.hpp"
#include "GSRoot/Definitions.hpp"
#include "SlotFailure.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace Workbench {

struct MenuCommand {
    std::variant<Int16, std::string> target; // menu id, or the command's text
};
struct ToolbarCommand {};
struct FailCommand {
    SlotFailure failure;
};
struct QuitCommand {
    bool shutDown;
};
struct HelpCommand {};
struct PrefsCommand {
    enum class Action { Show, Clear, Fail };
    Action action;
    std::optional<GSErrCode> code; // Fail: what both preference slots answer; none: they work again
};
struct AnswerCommand {
    std::optional<Int16> item; // none: close the dialog through its window control
};
struct WindowCommand {
    WindowKind kind;
};

// The module's registered modeless window, the palette.
struct PaletteCommand {
    enum class Action { Click, Close, Message, ShowState };
    Action action;
    Int16 item = 0;    // Click
    Int32 message = 0; // Message: 1 close, 2 hide, 3 show, 4 disable, 5 enable, 6 open, 7 is it visible
};
inline constexpr Int32 PaletteMessageCount = 7;

struct GcCommand {
    enum class Action { Hold, Run, Release };
    Action action;
};

// A picture of the window in front, as a PNG file (the desktop face only).
struct ScreenshotCommand {
    std::string path;
};
using Command = std::variant<MenuCommand, ToolbarCommand, FailCommand, QuitCommand, HelpCommand, PrefsCommand,
                             AnswerCommand, WindowCommand, PaletteCommand, GcCommand, ScreenshotCommand>;

struct ParsedLine {
    std::optional<Command> command; // none for a blank or comment line, or on error
    std::string error;
    bool unknownCommand = false; // the first word names no command (the prompt may read it otherwise)
};

ParsedLine ParseCommandLine(std::string_view line);

// `text` without the blanks (spaces, tabs, carriage returns) around it.
std::string_view TrimBlanks(std::string_view text);

// The script commands, for --help and the "help" command.
const char* ScriptCommandHelp();

} // namespace Workbench
