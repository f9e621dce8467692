#include "ScriptCommand.hpp"

#include "HostText.hpp"

#include <vector>

namespace Workbench {

namespace {

struct Words {
    std::vector<std::string> words;
    std::vector<bool> quoted;
    std::string error;
};

// Splits at blanks outside double quotes, up to a '#' outside quotes.
Words SplitWords(std::string_view line) {
    Words result;
    std::size_t at = 0;
    while (at < line.size()) {
        const char c = line[at];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            const std::size_t close = line.find('"', at + 1);
            if (close == std::string_view::npos) {
                result.error = "unterminated quoted text";
                return result;
            }
            result.words.emplace_back(line.substr(at + 1, close - at - 1));
            result.quoted.push_back(true);
            at = close + 1;
        } else {
            const std::size_t end = line.find_first_of(" \t\r#\"", at);
            result.words.emplace_back(
                line.substr(at, end == std::string_view::npos ? line.size() - at : end - at));
            result.quoted.push_back(false);
            at = end == std::string_view::npos ? line.size() : end;
        }
    }
    return result;
}

ParsedLine Failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

ParsedLine ParseMenu(const Words& words) {
    if (words.words.size() < 2)
        return Failure("menu: give a menu id or the command's text");
    const std::string& first = words.words[1];
    const bool digits = !first.empty() && first.find_first_not_of("0123456789") == std::string::npos;
    if (words.words.size() == 2 && !words.quoted[1] && digits) {
        const auto id = ParseInteger<Int16>(first, 10);
        if (!id || *id == 0)
            return Failure("menu: " + first + " is no menu id (1 to 32767)");
        return {MenuCommand{*id}, {}};
    }
    // The words after "menu" make the text, so the quotes may be left out.
    std::string text;
    for (std::size_t i = 1; i < words.words.size(); ++i)
        text += (i > 1 ? " " : "") + words.words[i];
    return {MenuCommand{text}, {}};
}

ParsedLine ParseFail(const Words& words) {
    if (words.words.size() != 3)
        return Failure("fail: expected \"fail <slot> <code>\" or \"fail <slot> off\"");
    std::string error;
    const auto slot = ParseSlot(words.words[1], error);
    if (!slot)
        return Failure("fail: " + error);
    if (words.words[2] == "off")
        return {FailCommand{{*slot, std::nullopt}}, {}};
    const auto code = ParseHostCode(words.words[2], error);
    if (!code)
        return Failure("fail: " + error);
    return {FailCommand{{*slot, *code}}, {}};
}

ParsedLine ParsePrefs(const Words& words) {
    const auto& w = words.words;
    if (w.size() == 2 && w[1] == "show")
        return {PrefsCommand{PrefsCommand::Action::Show, std::nullopt}, {}};
    if (w.size() == 2 && w[1] == "clear")
        return {PrefsCommand{PrefsCommand::Action::Clear, std::nullopt}, {}};
    if (w.size() == 3 && w[1] == "fail") {
        if (w[2] == "off")
            return {PrefsCommand{PrefsCommand::Action::Fail, std::nullopt}, {}};
        std::string error;
        const auto code = ParseHostCode(w[2], error);
        if (!code)
            return Failure("prefs fail: " + error);
        return {PrefsCommand{PrefsCommand::Action::Fail, *code}, {}};
    }
    return Failure(
        "prefs: expected \"prefs show\", \"prefs clear\", \"prefs fail <code>\" or \"prefs fail off\"");
}

ParsedLine ParseAnswer(const Words& words) {
    if (words.words.size() != 2)
        return Failure("answer: expected \"answer <item>\" or \"answer close\"");
    const std::string& answer = words.words[1];
    if (answer == "close")
        return {AnswerCommand{std::nullopt}, {}};
    const auto item = ParseInteger<Int16>(answer, 10);
    if (!item || *item <= 0)
        return Failure("answer: \"" + answer + "\" is no dialog item (1 to 32767) and not \"close\"");
    return {AnswerCommand{*item}, {}};
}

ParsedLine ParseWindow(const Words& words) {
    const auto kind = words.words.size() == 2 ? ParseWindowKind(words.words[1]) : std::nullopt;
    if (!kind)
        return Failure(
            "window: expected \"window 3d\", \"window plan\", \"window section\" or \"window layout\"");
    return {WindowCommand{*kind}, {}};
}

ParsedLine ParseScreenshot(const Words& words) {
    if (words.words.size() != 2 || words.words[1].empty())
        return Failure("screenshot: expected \"screenshot <file>\"");
    return {ScreenshotCommand{words.words[1]}, {}};
}

ParsedLine ParsePalette(const Words& words) {
    const auto& w = words.words;
    const std::string usage =
        "palette: expected \"palette click <item>\", \"palette close\", \"palette message "
        "<1..7>\" or \"palette show-state\"";
    if (w.size() == 2 && w[1] == "close")
        return {PaletteCommand{PaletteCommand::Action::Close}, {}};
    if (w.size() == 2 && w[1] == "show-state")
        return {PaletteCommand{PaletteCommand::Action::ShowState}, {}};
    if (w.size() == 3 && w[1] == "click") {
        const auto item = ParseInteger<Int16>(w[2], 10);
        if (!item || *item <= 0)
            return Failure("palette click: \"" + w[2] + "\" is no palette item (1 to 32767)");
        return {PaletteCommand{PaletteCommand::Action::Click, *item}, {}};
    }
    if (w.size() == 3 && w[1] == "message") {
        const auto message = ParseInteger<Int32>(w[2], 10);
        if (!message || *message < 1 || *message > PaletteMessageCount)
            return Failure("palette message: \"" + w[2] + "\" is none of the host's messages 1 to 7");
        return {PaletteCommand{PaletteCommand::Action::Message, 0, *message}, {}};
    }
    return Failure(usage);
}

ParsedLine ParseGc(const Words& words) {
    const auto& w = words.words;
    if (w.size() == 2 && w[1] == "hold")
        return {GcCommand{GcCommand::Action::Hold}, {}};
    if (w.size() == 2 && w[1] == "run")
        return {GcCommand{GcCommand::Action::Run}, {}};
    if (w.size() == 2 && w[1] == "release")
        return {GcCommand{GcCommand::Action::Release}, {}};
    return Failure("gc: expected \"gc hold\", \"gc run\" or \"gc release\"");
}

ParsedLine ExpectNoArguments(const Words& words, Command command) {
    if (words.words.size() != 1)
        return Failure(words.words[0] + ": takes no arguments");
    return {command, {}};
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

ParsedLine ParseCommandLine(std::string_view line) {
    const Words words = SplitWords(line);
    if (!words.error.empty())
        return Failure(words.error);
    if (words.words.empty())
        return {};
    const std::string& name = words.words[0];
    if (name == "menu")
        return ParseMenu(words);
    if (name == "fail")
        return ParseFail(words);
    if (name == "toolbar")
        return ExpectNoArguments(words, ToolbarCommand{});
    if (name == "prefs")
        return ParsePrefs(words);
    if (name == "answer")
        return ParseAnswer(words);
    if (name == "window")
        return ParseWindow(words);
    if (name == "palette")
        return ParsePalette(words);
    if (name == "gc")
        return ParseGc(words);
    if (name == "screenshot")
        return ParseScreenshot(words);
    if (name == "quit")
        return ExpectNoArguments(words, QuitCommand{true});
    if (name == "help")
        return ExpectNoArguments(words, HelpCommand{});
    if (name == "unload") {
        if (words.words.size() == 1)
            return {QuitCommand{true}, {}};
        if (words.words.size() == 2 && words.words[1] == "--no-shutdown")
            return {QuitCommand{false}, {}};
        return Failure("unload: the only option is --no-shutdown");
    }
    ParsedLine unknown = Failure("unknown command \"" + name + "\" (try \"help\")");
    unknown.unknownCommand = true;
    return unknown;
}

const char* ScriptCommandHelp() {
    return R"(Commands (one a line; '#' starts a comment; quote text with blanks):
  menu <id>                 pick the command registered with menu string resource <id>
  menu "<command text>"     pick a command by its text, as the menu shows it
  toolbar                   pick the toolbar entry
  answer <item>             answer the next dialog by clicking its item <item> (its button
                            number); give it before the command that opens the dialog
  answer close              answer the next dialog by closing its window
  window 3d|plan|section|layout
                            bring that window to the front (the 3D window is in front at first)
  palette click <item>      click the palette's button <item> (its key in the bar the workbench
                            draws); a palette that takes no click (none open, hidden, not
                            processing events, the item disabled) says so, and the run goes on
  palette close             close the palette through its window control
  palette message <1..7>    send the host's message to the palette's callback: 1 close, 2 hide,
                            3 show, 4 disable its buttons, 5 enable them, 6 open, 7 is it visible
                            (shows the answer)
  palette show-state        list the live palettes with their state
  gc hold                   the host's garbage collector no longer runs when the host is idle
                            (after each menu pick, palette click, message or close)
  gc run                    run the garbage collector now, held or not, and show how many objects
                            it deleted
  gc release                the garbage collector runs when the host is idle again
  screenshot <file>         write a PNG picture of the window in front (desktop face only); while
                            answers wait, of the dialog the latest of them answers, before the
                            answer is given
  prefs show                show the add-on's stored preferences: version, size, the bytes, and
                            the link id and the last browser visit they hold
  prefs clear               remove the add-on's stored preferences
  prefs fail <code>         both preference operations (slots 59 and 60) answer host code <code>
  prefs fail off            the preference operations work again
  fail <slot> <code>        the operation in table slot <slot> answers host code <code> from now
                            on (decimal, or 0x and hex digits, e.g. 0x81060001); slots: 5 menu
                            registration, 25 menu handler, 59/60 preferences write/read, 61/62
                            modeless window register/unregister, 68 report, 77 front window,
                            78 special folder, 81 save the front window
  fail <slot> off           the operation in <slot> works again
  quit                      call ShutDown, unload the module and end
  unload                    the same as quit
  unload --no-shutdown      unload without ShutDown (the module reports an abnormal termination)
                            and end
  help                      show this text
A script ends at quit or unload (later lines are not read); running out of lines is a quit. A
dialog that opens with no answer waiting, and an answer no dialog used, are script errors.
At the interactive prompt a menu number or a command's text picks that command, and dialogs ask
for their answer when they open.
)";
}

} // namespace Workbench
