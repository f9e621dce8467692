#pragma once

// The workbench's command language, shared by scripts and the interactive prompt: one command a
// line, '#' starts a comment, double quotes hold text with blanks.

#include "GSRoot/Definitions.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace Workbench {

struct SlotFailure {
    std::size_t slot;
    std::optional<GSErrCode> code; // nullopt: the slot works again
};

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

using Command = std::variant<MenuCommand, ToolbarCommand, FailCommand, QuitCommand, HelpCommand>;

struct ParsedLine {
    std::optional<Command> command; // none for a blank or comment line, or on error
    std::string error;
    bool unknownCommand = false; // the first word names no command (the prompt may read it otherwise)
};

ParsedLine ParseCommandLine(std::string_view line);

// A slot the workbench supplies, as text.
std::optional<std::size_t> ParseSlot(std::string_view text, std::string& error);
// A non-zero host code: signed decimal, unsigned decimal, or 0x and up to eight hex digits.
std::optional<GSErrCode> ParseHostCode(std::string_view text, std::string& error);

// The script commands, for --help and the "help" command.
const char* ScriptCommandHelp();

} // namespace Workbench
