#include "CommandLoop.hpp"

#include "HostText.hpp"
#include "PaletteBar.hpp"
#include "PreferencesText.hpp"

#include <algorithm>
#include <iomanip>
#include <optional>
#include <variant>

namespace Workbench {

std::string DirectHands::Screenshot(const std::string& /*path*/) {
    return "screenshot: this face has no windows to picture (the desktop face has: --desktop)";
}

namespace {

// One handler per alternative and no catch-all: a command without a handler does not compile.
template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

} // namespace

Interpreter::Outcome Interpreter::Execute(const Command& command, std::size_t line) {
    return std::visit(
        Overloaded{
            [&](const MenuCommand& menu) { return PickMenu(menu); },
            [&](const ToolbarCommand&) { return PickToolbar(); },
            [&](const FailCommand& fail) -> Outcome {
                session.SetSlotFailure(fail.failure.slot, fail.failure.code);
                return {};
            },
            [&](const QuitCommand& quit) -> Outcome {
                session.Stop(quit.shutDown);
                return {{}, true};
            },
            [&](const HelpCommand&) -> Outcome {
                console.Out() << ScriptCommandHelp();
                ShowMenu();
                return {};
            },
            [&](const PrefsCommand& prefs) { return Prefs(prefs); },
            [&](const AnswerCommand& answer) -> Outcome {
                if (dialogs == nullptr)
                    return {"answer: there is nothing to answer ahead here; a dialog asks when it opens"};
                dialogs->Queue({answer.item, line});
                return {};
            },
            [&](const WindowCommand& window) -> Outcome {
                hands.SwitchWindow(window.kind);
                console.Say("The " + std::string(WindowKindName(window.kind)) + " window is in front.");
                return {};
            },
            [&](const PaletteCommand& palette) { return Palette(palette); },
            [&](const GcCommand& gc) { return Gc(gc); },
            [&](const ScreenshotCommand& screenshot) -> Outcome {
                return {hands.Screenshot(screenshot.path)};
            },
        },
        command);
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
    switch (hands.Pick(menuId)) {
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

Interpreter::Outcome Interpreter::Prefs(const PrefsCommand& command) {
    switch (command.action) {
    case PrefsCommand::Action::Show:
        ShowPreferences();
        return {};
    case PrefsCommand::Action::Clear:
        if (session.Host().Preferences() == nullptr)
            return {"prefs clear: no add-on is loaded"};
        if (!session.Host().ClearPreferences())
            return {"prefs clear: the preferences could not be removed"};
        console.Say("The add-on's preferences are removed.");
        return {};
    case PrefsCommand::Action::Fail:
        for (const SlotFailure& failure : PreferenceFailures(command.code))
            session.SetSlotFailure(failure.slot, failure.code);
        return {};
    }
    return {};
}

namespace {

const char* const PaletteMessageNames[PaletteMessageCount] = {"close",  "hide", "show",          "disable",
                                                              "enable", "open", "is it visible?"};

// The error of a palette action that could not reach a palette at all.
std::string PaletteProblem(PaletteResult result) {
    switch (result) {
    case PaletteResult::NoWindow:
        return "the module has no modeless window registered";
    case PaletteResult::NotRunning:
        return "the module is not loaded";
    case PaletteResult::Delivered:
    case PaletteResult::Refused:
        break;
    }
    return {};
}

} // namespace

// A click or close the palette does not take is what a person sees when clicking where no palette
// is: told, but no error, so a script can show that a hidden or disabled palette ignores the user.
Interpreter::Outcome Interpreter::Palette(const PaletteCommand& command) {
    switch (command.action) {
    case PaletteCommand::Action::ShowState:
        ShowPaletteState();
        return {};
    case PaletteCommand::Action::Click:
    case PaletteCommand::Action::Close: {
        const bool click = command.action == PaletteCommand::Action::Click;
        const PaletteResult result = click ? hands.ClickPalette(command.item) : hands.ClosePalette();
        if (result == PaletteResult::Refused)
            console.Say(click ? "The palette took no click on item " + std::to_string(command.item) + "."
                              : "No palette took the close request.");
        return {PaletteProblem(result)};
    }
    case PaletteCommand::Action::Message: {
        const PaletteAnswer answer = session.SendPaletteMessage(command.message);
        if (answer.result != PaletteResult::Delivered)
            return {PaletteProblem(answer.result)};
        std::string said = "Palette message " + std::to_string(command.message) + " (" +
                           PaletteMessageNames[command.message - 1] + ") answered " +
                           std::to_string(answer.code);
        if (command.message == PaletteMessageCount)
            said +=
                answer.visible ? "; visible: " + std::to_string(*answer.visible) : "; no visibility written";
        console.Say(said + ".");
        return {};
    }
    }
    return {};
}

Interpreter::Outcome Interpreter::Gc(const GcCommand& command) {
    IdleCollector& collector = session.Collector();
    switch (command.action) {
    case GcCommand::Action::Hold:
        collector.Hold(true);
        console.Say("The garbage collector is held; " + std::to_string(collector.Pending()) +
                    " object(s) wait.");
        return {};
    case GcCommand::Action::Release:
        collector.Hold(false);
        console.Say("The garbage collector runs when the host is idle.");
        return {};
    case GcCommand::Action::Run:
        console.Say("The garbage collector deleted " + std::to_string(collector.Run()) + " object(s).");
        return {};
    }
    return {};
}

void Interpreter::ShowPaletteState() {
    const std::vector<DG::Host::PaletteView> palettes = DG::Host::ListPalettes();
    std::ostream& out = console.Out();
    if (palettes.empty())
        out << "No palette is open.\n";
    for (const DG::Host::PaletteView& palette : palettes) {
        out << DrawPaletteBar(palette);
        out << "events " << (palette.processingEvents ? "processed" : "not processed") << '\n';
    }
    const IdleCollector& collector = session.Collector();
    out << "Garbage collector: " << (collector.Held() ? "held" : "runs when idle") << ", "
        << collector.Pending() << " object(s) waiting\n"
        << std::flush;
}

void Interpreter::ShowPreferences() {
    const PreferenceStore* store = session.Host().Preferences();
    if (store == nullptr) {
        console.Say("No add-on is loaded, so no preferences are kept.");
        return;
    }
    const StoreContent content = session.Host().ReadPreferences();
    std::string text = "Preferences \"" + store->Key() + "\" in " + PathText(store->File()) + ":\n";
    if (content.record)
        text += DescribePreferences(*content.record);
    else
        text += content.Damaged() ? "nothing stored (the store is damaged)\n" : "nothing stored\n";
    console.Out() << text << std::flush;
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

namespace {

// What stops a script after its command at `lineNumber` has run, or empty: a dialog that found
// no answer, or, once the script has ended, an answer no dialog used.
std::string ScriptProblem(ScriptDialogs& dialogs, bool ended, std::size_t& lineNumber) {
    if (std::string problem = dialogs.TakeProblem(); !problem.empty())
        return problem;
    if (!ended || dialogs.Pending().empty())
        return {};
    const DialogAnswer& unused = dialogs.Pending().front();
    lineNumber = unused.line;
    return "answer " + (unused.item ? std::to_string(*unused.item) : std::string("close")) +
           " was never used: no dialog opened after it";
}

} // namespace

bool RunScript(Session& session, Console& console, ScriptDialogs& dialogs, std::istream& input,
               std::string_view name, UserHands* hands) {
    Interpreter interpreter(session, console, &dialogs, hands);
    std::string line;
    std::size_t lineNumber = 1;
    bool ended = false;
    for (; !ended && std::getline(input, line); ++lineNumber) {
        const ParsedLine parsed = ParseCommandLine(line);
        Interpreter::Outcome outcome;
        if (parsed.command)
            outcome = interpreter.Execute(*parsed.command, lineNumber);
        std::string error = parsed.error.empty() ? outcome.error : parsed.error;
        ended = outcome.ended;
        std::size_t errorLine = lineNumber;
        if (error.empty())
            error = ScriptProblem(dialogs, ended, errorLine);
        if (!error.empty()) {
            console.Error(std::string(name) + ":" + std::to_string(errorLine) + ": " + error);
            session.Stop(true);
            return false;
        }
    }
    if (ended)
        return true;
    session.Stop(true);
    std::size_t errorLine = lineNumber;
    if (const std::string error = ScriptProblem(dialogs, true, errorLine); !error.empty()) {
        console.Error(std::string(name) + ":" + std::to_string(errorLine) + ": " + error);
        return false;
    }
    return true;
}

std::string PromptText(WindowKind front, const std::vector<DG::Host::PaletteView>& palettes) {
    const std::string palette =
        palettes.empty() ? "no palette" : "palette " + PaletteStateText(palettes.back());
    return "[" + std::string(WindowKindName(front)) + " window | " + palette + "] kavelo> ";
}

void RunPrompt(Session& session, Console& console, std::istream& input) {
    Interpreter interpreter(session, console, nullptr);
    console.Out() << "Pick a command by its number or text; \"help\" lists every command.\n";
    interpreter.ShowMenu();
    std::string line;
    while (true) {
        console.Out() << PromptText(session.Host().FrontWindow(), DG::Host::ListPalettes()) << std::flush;
        if (!std::getline(input, line)) {
            console.Out() << '\n';
            break;
        }
        const std::string_view text = TrimBlanks(line);
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
