#include "CommandLoop.hpp"

#include <algorithm>
#include <iomanip>
#include <optional>

namespace Workbench {

namespace {

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

Interpreter::Outcome Interpreter::Execute(const Command& command) {
    if (const auto* menu = std::get_if<MenuCommand>(&command))
        return PickMenu(*menu);
    if (std::holds_alternative<ToolbarCommand>(command))
        return PickToolbar();
    if (const auto* fail = std::get_if<FailCommand>(&command)) {
        session.SetSlotFailure(fail->failure.slot, fail->failure.code);
        return {};
    }
    if (const auto* quit = std::get_if<QuitCommand>(&command)) {
        session.Stop(quit->shutDown);
        return {{}, true};
    }
    console.Out() << ScriptCommandHelp();
    ShowMenu();
    return {};
}

Interpreter::Outcome Interpreter::PickMenu(const MenuCommand& command) {
    if (const auto* id = std::get_if<Int16>(&command.target))
        return Pick(*id);
    const auto& text = std::get<std::string>(command.target);
    const auto menu = session.Menu();
    const MenuEntry* entry = FindMenuEntry(menu, text);
    if (entry == nullptr)
        return {"unknown menu \"" + text + "\""};
    return Pick(entry->menuId);
}

Interpreter::Outcome Interpreter::PickToolbar() {
    const auto menu = session.Menu();
    const auto entry =
        std::find_if(menu.begin(), menu.end(), [](const MenuEntry& item) { return item.toolbar; });
    if (entry == menu.end())
        return {"no toolbar entry is registered"};
    return Pick(entry->menuId);
}

Interpreter::Outcome Interpreter::PickNumbered(std::size_t number) {
    const auto menu = session.Menu();
    if (number == 0 || number > menu.size())
        return {"there is no menu entry " + std::to_string(number) + " (1 to " + std::to_string(menu.size()) +
                ")"};
    return Pick(menu[number - 1].menuId);
}

Interpreter::Outcome Interpreter::Pick(Int16 menuId) {
    switch (session.Pick(menuId)) {
    case PickResult::Handled:
    case PickResult::NoHandler:
        return {};
    case PickResult::UnknownMenu:
        return {"unknown menu " + std::to_string(menuId) + ": the module registered no such menu"};
    case PickResult::NotRunning:
        break;
    }
    return {"the module is not loaded"};
}

void Interpreter::ShowMenu() {
    std::ostream& out = console.Out();
    const auto menu = session.Menu();
    std::optional<std::string> heading;
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const MenuEntry& entry = menu[i];
        const std::string entryHeading = entry.toolbar ? "Toolbar" : "Menu \"" + entry.title + "\"";
        if (heading != entryHeading) {
            heading = entryHeading;
            out << *heading << ":\n";
        }
        out << std::setw(4) << i + 1 << "  " << entry.text;
        if (!entry.problem.empty())
            out << "  (" << entry.problem << ")";
        out << '\n';
    }
    if (menu.empty())
        out << "The module registered no menus.\n";
    out << std::flush;
}

bool RunScript(Session& session, Console& console, std::istream& input, std::string_view name) {
    Interpreter interpreter(session, console);
    std::string line;
    for (std::size_t lineNumber = 1; std::getline(input, line); ++lineNumber) {
        const ParsedLine parsed = ParseCommandLine(line);
        Interpreter::Outcome outcome;
        if (parsed.command)
            outcome = interpreter.Execute(*parsed.command);
        const std::string& error = parsed.error.empty() ? outcome.error : parsed.error;
        if (!error.empty()) {
            console.Error(std::string(name) + ":" + std::to_string(lineNumber) + ": " + error);
            session.Stop(true);
            return false;
        }
        if (outcome.ended)
            return true;
    }
    session.Stop(true);
    return true;
}

void RunPrompt(Session& session, Console& console, std::istream& input) {
    Interpreter interpreter(session, console);
    console.Out() << "Pick a command by its number or text; \"help\" lists every command.\n";
    interpreter.ShowMenu();
    std::string line;
    while (true) {
        console.Out() << "kavelo> " << std::flush;
        if (!std::getline(input, line)) {
            console.Out() << '\n';
            break;
        }
        const std::string_view text = Trimmed(line);
        Interpreter::Outcome outcome;
        if (!text.empty() &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            outcome = interpreter.PickNumbered(text.size() > 9 ? 0 : std::stoul(std::string(text)));
        } else {
            const ParsedLine parsed = ParseCommandLine(text);
            if (parsed.command)
                outcome = interpreter.Execute(*parsed.command);
            else if (parsed.unknownCommand && FindMenuEntry(session.Menu(), text) != nullptr)
                outcome = interpreter.Execute(MenuCommand{std::string(text)});
            else
                outcome.error = parsed.error;
        }
        if (!outcome.error.empty())
            console.Say(outcome.error);
        if (outcome.ended)
            return;
    }
    session.Stop(true);
}

} // namespace Workbench
