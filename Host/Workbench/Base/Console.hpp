#pragma once

// What the person at the workbench sees: the standard output for the host's own user interface
// (menus, alerts, beeps), the error stream for the workbench's warnings and, with --verbose, the
// module's debug text.

#include <ostream>
#include <string_view>

namespace Workbench {

// Shows what the console says to the person in another way as well (the desktop's windows).
class ConsolePresenter {
public:
    virtual ~ConsolePresenter() = default;
    virtual void Report(std::string_view text, bool alert) = 0;
    virtual void Beep() = 0;
    virtual void Debug(std::string_view text) = 0;
};

class Console {
public:
    Console(std::ostream& output, std::ostream& errors, bool verboseDebug)
        : out(output), err(errors), verbose(verboseDebug) {}

    void Say(std::string_view line);
    // An alert is framed, so it stands out from the workbench's own lines as a dialog would.
    void Report(std::string_view text, bool alert);
    void Beep();
    // The workbench's own warnings, marked as its own.
    void Warn(std::string_view message);
    // A complete error line, as it stands ("script:3: unknown command").
    void Error(std::string_view line);
    void Debug(std::string_view text);

    std::ostream& Out() { return out; }

    // Null stops the presenter; it must be removed before it is destroyed.
    void SetPresenter(ConsolePresenter* shower) { presenter = shower; }

private:
    std::ostream& out;
    std::ostream& err;
    bool verbose;
    ConsolePresenter* presenter = nullptr;
};

} // namespace Workbench
