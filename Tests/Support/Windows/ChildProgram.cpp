// CreateProcessW with the standard handles as asked, a command line the child's C runtime splits
// back into the arguments, and TerminateProcess for the end.

#include "ChildProgram.hpp"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <system_error>
#include <thread>
#include <utility>

namespace Testing {

namespace fs = std::filesystem;

namespace {

std::system_error LastError(const std::string& what) {
    return std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::wstring Wide(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// One argument as the C runtime's parser of the command line reads it back.
std::wstring QuotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t unit : argument) {
        if (unit == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes double only before a quote, which is escaped itself.
        quoted.append(unit == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += unit;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L'"';
}

std::wstring NameOf(const std::wstring& variable) {
    std::wstring name = variable.substr(0, variable.find(L'=', 1));
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towupper(c); });
    return name;
}

// This process's environment with `added` in place of variables of the same name.
std::wstring EnvironmentBlock(const std::vector<std::string>& added) {
    std::vector<std::wstring> variables;
    for (const std::string& variable : added)
        variables.push_back(Wide(variable));
    wchar_t* own = GetEnvironmentStringsW();
    for (const wchar_t* variable = own; *variable != L'\0'; variable += wcslen(variable) + 1) {
        const std::wstring name = NameOf(variable);
        if (std::none_of(variables.begin(), variables.end(),
                         [&](const std::wstring& given) { return NameOf(given) == name; }))
            variables.emplace_back(variable);
    }
    FreeEnvironmentStringsW(own);
    std::wstring block;
    for (const std::wstring& variable : variables)
        block += variable + L'\0';
    return block + L'\0';
}

// A handle closed here on every path.
class Owned {
public:
    Owned() = default;
    explicit Owned(HANDLE owned) : handle(owned) {}
    ~Owned() {
        if (handle != nullptr)
            CloseHandle(handle);
    }
    Owned(Owned&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    Owned& operator=(Owned&&) = delete;

    HANDLE Get() const { return handle; }
    HANDLE Release() { return std::exchange(handle, nullptr); }

private:
    HANDLE handle = nullptr;
};

// A file the child inherits as one of its standard handles.
Owned InheritedFile(const fs::path& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE file =
        CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &inherit,
                    write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw LastError("cannot open " + path.string());
    return Owned(file);
}

// The child inherits the write end only.
struct Pipe {
    Owned read;
    Owned write;
};

Pipe MakePipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        throw LastError("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    return Pipe{Owned(readEnd), Owned(writeEnd)};
}

} // namespace

ChildProgram::ChildProgram(const fs::path& path, const std::vector<std::string>& arguments,
                           const Streams& streams, const std::vector<std::string>& environment)
    : program(path), outputFile(streams.output) {
    std::wstring commandLine = QuotedArgument(program.wstring());
    for (const std::string& argument : arguments)
        commandLine += L' ' + QuotedArgument(Wide(argument));
    std::wstring variables = EnvironmentBlock(environment);

    const bool piped = streams.output.empty();
    const bool shared = !streams.errors.empty() && streams.errors == streams.output;
    const Owned in = streams.input.empty() ? Owned() : InheritedFile(streams.input, false);
    Pipe pipe = piped ? MakePipe() : Pipe{};
    const Owned out = piped ? Owned() : InheritedFile(streams.output, true);
    const Owned errors = streams.errors.empty() || shared ? Owned() : InheritedFile(streams.errors, true);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.Get() != nullptr ? in.Get() : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = piped ? pipe.write.Get() : out.Get();
    startup.hStdError = shared                    ? out.Get()
                        : errors.Get() != nullptr ? errors.Get()
                                                  : GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT, variables.data(), nullptr, &startup, &started))
        throw LastError("cannot start " + program.string());
    CloseHandle(started.hThread);
    process = reinterpret_cast<std::intptr_t>(started.hProcess);
    if (piped)
        output = reinterpret_cast<std::intptr_t>(pipe.read.Release());
}

ChildProgram::~ChildProgram() {
    Kill();
    CloseHandle(reinterpret_cast<HANDLE>(process));
    if (output != -1)
        CloseHandle(reinterpret_cast<HANDLE>(output));
}

std::int64_t ChildProgram::Id() const {
    return GetProcessId(reinterpret_cast<HANDLE>(process));
}

bool ChildProgram::ReadByte(char& byte) {
    DWORD read = 0;
    return ::ReadFile(reinterpret_cast<HANDLE>(output), &byte, 1, &read, nullptr) && read == 1;
}

// A pipe has no wait with a time-out of its own: look until something is there.
bool ChildProgram::Read(std::string& text, std::chrono::milliseconds limit) {
    const HANDLE pipe = reinterpret_cast<HANDLE>(output);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    char chunk[4096];
    DWORD got = 0;
    if (available == 0 || !::ReadFile(pipe, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr))
        return false;
    text.append(chunk, got);
    return got > 0;
}

std::optional<int> ChildProgram::Reap(bool block) {
    const HANDLE handle = reinterpret_cast<HANDLE>(process);
    DWORD code = 0;
    if (!exitCode && WaitForSingleObject(handle, block ? INFINITE : 0) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(handle, &code))
        exitCode = static_cast<int>(code);
    return exitCode;
}

// TerminateProcess ends it at once, as a crash does; the exit code tells a kill from an exit.
bool ChildProgram::Kill() {
    constexpr int KilledCode = 0xDEAD;
    if (Reap(false))
        return false;
    TerminateProcess(reinterpret_cast<HANDLE>(process), KilledCode);
    return Reap(true) == KilledCode;
}

} // namespace Testing
