#include "Console.hpp"

#include "TextBox.hpp"

namespace Workbench {

void Console::Say(std::string_view line) {
    out << line << '\n' << std::flush;
}

void Console::Report(std::string_view text, bool alert) {
    if (alert)
        out << DrawBox("ALERT", {{std::string(text)}}, BoxFrame::Double);
    else
        out << "[report] " << text << '\n';
    out << std::flush;
    if (presenter != nullptr)
        presenter->Report(text, alert);
}

void Console::Beep() {
    out << "[beep]\n" << std::flush;
    if (presenter != nullptr)
        presenter->Beep();
}

void Console::Warn(std::string_view message) {
    err << "kavelo-workbench: " << message << '\n' << std::flush;
}

void Console::Error(std::string_view line) {
    err << line << '\n' << std::flush;
}

void Console::Debug(std::string_view text) {
    if (verbose)
        err << text << std::flush;
    if (presenter != nullptr)
        presenter->Debug(text);
}

} // namespace Workbench
