#pragma once

// The module's debug text arrives in pieces (one DBPrintf may end a line another began); the
// transcript gets one "debug" event per complete line, line feed included. A command's debug text
// is bounded: a server that answers with millions of lines must not fill the disk. Past the bound
// the transcript says once that it cut, and the rest of the command's debug text is dropped.

#include "Console.hpp"
#include "Platform.hpp"
#include "Transcript.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace Workbench {

class DebugLog {
public:
    static constexpr std::size_t LinesPerCommand = 10000;

    DebugLog(Transcript& events, Console& user) : transcript(events), console(user) {}

    // A command starts: its debug text gets the whole bound again.
    void BeginCommand();
    void Write(std::string_view text);
    // Writes a line still waiting for its line feed, as it stands.
    void Flush();

private:
    Transcript& transcript;
    Console& console;
    std::string pending;
    std::size_t lines = 0; // of this command, written or cut
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
    Platform::WindowsCallWatch& WindowsCalls() { return windowsCalls; }

private:
    DebugLog debug;
    Platform::WindowsCallWatch windowsCalls;
};

} // namespace Workbench
