#include "DebugLog.hpp"

#include "GSRootHost.hpp"
#include "GSUtilsHost.hpp"

namespace Workbench {

void DebugLog::BeginCommand() {
    lines = 0;
}

void DebugLog::Write(std::string_view text) {
    if (lines > LinesPerCommand)
        return;
    console.Debug(text);
    pending += text;
    std::size_t lineEnd;
    while ((lineEnd = pending.find('\n')) != std::string::npos) {
        if (++lines > LinesPerCommand) {
            transcript.Write("debug-cut", JsonObject().Number("lines", std::int64_t(LinesPerCommand)));
            console.Warn("the command's debug text was cut after " + std::to_string(LinesPerCommand) +
                         " lines");
            pending.clear();
            return;
        }
        transcript.Write("debug",
                         JsonObject().String("text", std::string_view(pending).substr(0, lineEnd + 1)));
        pending.erase(0, lineEnd + 1);
    }
}

void DebugLog::Flush() {
    if (pending.empty())
        return;
    transcript.Write("debug", JsonObject().String("text", pending));
    pending.clear();
}

LibrarySinks::LibrarySinks(Transcript& transcript, Console& console)
    : debug(transcript, console), windowsCalls(transcript, console) {
    GS::Host::SetDebugSink([this](std::string_view text) { debug.Write(text); });
    GSUtils::Host::SetBeepSink([&transcript, &console] {
        transcript.Write("beep");
        console.Beep();
    });
}

LibrarySinks::~LibrarySinks() {
    debug.Flush();
    GSUtils::Host::SetBeepSink({});
    GS::Host::SetDebugSink({});
}

} // namespace Workbench
