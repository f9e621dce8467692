#pragma once

// The module's debug text arrives in pieces (one DBPrintf may end a line another began); the
// transcript gets one "debug" event per complete line, line feed included.

#include "Console.hpp"
#include "Transcript.hpp"

#include <string>
#include <string_view>

namespace Workbench {

class DebugLog {
public:
    DebugLog(Transcript& events, Console& user) : transcript(events), console(user) {}

    void Write(std::string_view text);
    // Writes a line still waiting for its line feed, as it stands.
    void Flush();

private:
    Transcript& transcript;
    Console& console;
    std::string pending;
};

// Routes the host libraries' debug text, beeps and Windows calls (browser launches among them) to
// the transcript and the console for as long as it lives.
class LibrarySinks {
public:
    LibrarySinks(Transcript& transcript, Console& console);
    ~LibrarySinks();
    LibrarySinks(const LibrarySinks&) = delete;
    LibrarySinks& operator=(const LibrarySinks&) = delete;

    DebugLog& Debug() { return debug; }

private:
    DebugLog debug;
};

} // namespace Workbench
