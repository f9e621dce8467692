#pragma once

// What the person at the workbench sees: the standard output for the host's own user interface
// (menus, alerts, beeps), the error stream for the workbench's warnings and, with --verbose, the
// module's debug text.

#include <ostream>
#include <string_view>

namespace Workbench {

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

private:
    std::ostream& out;
    std::ostream& err;
    bool verbose;
};

} // namespace Workbench
