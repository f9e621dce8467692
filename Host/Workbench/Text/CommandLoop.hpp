#pragma once

// The two text faces of the workbench over one session: a script, and a person at the prompt.

#include "Console.hpp"
#include "DialogFaces.hpp"
#include "Face.hpp"
#include "PaletteBar.hpp"
#include "ScriptCommand.hpp"
#include "Session.hpp"

#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Workbench {

// How the user's own actions reach the host: in the text faces straight to the session; in the
// desktop face as the messages a person's clicks send to the real windows.
class UserHands {
public:
    virtual ~UserHands() = default;

    virtual PickResult Pick(Int16 menuId) = 0;
    virtual void SwitchWindow(WindowKind kind) = 0;
    virtual PaletteResult ClickPalette(Int16 item) = 0;
    virtual PaletteResult ClosePalette() = 0;
    // Empty, or why no picture was taken.
    virtual std::string Screenshot(const std::string& path) = 0;
};

class DirectHands final : public UserHands {
public:
    explicit DirectHands(Session& driven) : session(driven) {}

    PickResult Pick(Int16 menuId) override { return session.Pick(menuId); }
    void SwitchWindow(WindowKind kind) override { session.Host().SwitchWindow(kind); }
    PaletteResult ClickPalette(Int16 item) override { return session.ClickPalette(item); }
    PaletteResult ClosePalette() override { return session.RequestPaletteClose(); }
    std::string Screenshot(const std::string& path) override;

private:
    Session& session;
};

class Interpreter {
public:
    // `answers` takes the script's dialog answers; null at the prompt, where dialogs ask. `actor`
    // acts for the person; null: straight on the session.
    Interpreter(Session& driven, Console& user, ScriptDialogs* answers, UserHands* actor = nullptr)
        : session(driven), console(user), dialogs(answers), direct(driven), hands(actor ? *actor : direct) {}

    struct Outcome {
        std::string error;  // the command could not be carried out
        bool ended = false; // the module is unloaded; read no more commands
    };
    // `line` is where the command stands in the script, for the messages about its answers.
    Outcome Execute(const Command& command, std::size_t line = 0);

    // Picks the entry numbered `number` (from 1) in the menu as ShowMenu lists it.
    Outcome PickNumbered(std::size_t number);

    void ShowMenu();

private:
    Outcome PickMenu(const MenuCommand& command);
    Outcome PickToolbar();
    Outcome Pick(Int16 menuId);
    Outcome Prefs(const PrefsCommand& command);
    Outcome Palette(const PaletteCommand& command);
    Outcome Gc(const GcCommand& command);
    void ShowPaletteState();
    void ShowPreferences();

    Session& session;
    Console& console;
    ScriptDialogs* dialogs;
    DirectHands direct;
    UserHands& hands;
};

// Runs `input` as a script named `name`, its dialogs answered from `dialogs` (which must be the
// dialog library's driver), its user actions done by `hands` (null: straight on the session). At its end, a
// quit or unload command, or the first error
// ("<name>:<line>: <message>" on the error stream) the module is unloaded; false after an error,
// and also when a dialog found no answer or an answer was left unused.
bool RunScript(Session& session, Console& console, ScriptDialogs& dialogs, std::istream& input,
               std::string_view name, UserHands* hands = nullptr);

// The prompt's header: the window in front and the state of the newest palette, e.g.
// "[3d window | palette shown, enabled] kavelo> ".
std::string PromptText(WindowKind front, const std::vector<DG::Host::PaletteView>& palettes);

// Reads commands from a person until quit, unload or the end of input; dialogs ask the person.
void RunPrompt(Session& session, Console& console, std::istream& input);

// A script's face: its dialogs answered from the script, its palettes drawn as bars.
class ScriptFace final : public Face {
public:
    ScriptFace(Transcript& transcript, Console& user, std::istream& script, std::string scriptName)
        : console(user), dialogs(transcript, user), palettes(transcript, user), input(script),
          name(std::move(scriptName)) {}

    DG::Host::UIDriver& Dialogs() override { return dialogs; }
    DG::Host::PaletteDriver& Palettes() override { return palettes; }
    bool Run(Session& session) override { return RunScript(session, console, dialogs, input, name); }

private:
    Console& console;
    ScriptDialogs dialogs;
    PaletteBar palettes;
    std::istream& input;
    std::string name;
};

// A person at the terminal: dialogs ask there, palettes are drawn as bars.
class PromptFace final : public Face {
public:
    PromptFace(Transcript& transcript, Console& user, std::istream& person)
        : console(user), dialogs(transcript, user, person), palettes(transcript, user), input(person) {}

    DG::Host::UIDriver& Dialogs() override { return dialogs; }
    DG::Host::PaletteDriver& Palettes() override { return palettes; }
    bool Run(Session& session) override {
        RunPrompt(session, console, input);
        return true;
    }

private:
    Console& console;
    TerminalDialogs dialogs;
    PaletteBar palettes;
    std::istream& input;
};

} // namespace Workbench
