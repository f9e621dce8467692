#pragma once

// The two text faces of the workbench over one session: a script, and a person at the prompt.

#include "Console.hpp"
#include "ScriptCommand.hpp"
#include "Session.hpp"

#include <istream>
#include <string>
#include <string_view>

namespace Workbench {

class Interpreter {
public:
    Interpreter(Session& driven, Console& user) : session(driven), console(user) {}

    struct Outcome {
        std::string error;  // the command could not be carried out
        bool ended = false; // the module is unloaded; read no more commands
    };
    Outcome Execute(const Command& command);

    // Picks the entry numbered `number` (from 1) in the menu as ShowMenu lists it.
    Outcome PickNumbered(std::size_t number);

    void ShowMenu();

private:
    Outcome PickMenu(const MenuCommand& command);
    Outcome PickToolbar();
    Outcome Pick(Int16 menuId);

    Session& session;
    Console& console;
};

// Runs `input` as a script named `name`. At its end, a quit or unload command, or the first error
// ("<name>:<line>: <message>" on the error stream) the module is unloaded; false after an error.
bool RunScript(Session& session, Console& console, std::istream& input, std::string_view name);

// Reads commands from a person until quit, unload or the end of input.
void RunPrompt(Session& session, Console& console, std::istream& input);

} // namespace Workbench
