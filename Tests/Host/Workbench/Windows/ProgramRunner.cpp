// CreateProcessW with the standard handles on files. Browser launches go through the shell to the
// test prefix's browser setting, which its boot points at a recorder.

#include "ProgramRunner.hpp"

#include "BrowserLaunchRecord.hpp"
#include "Windows/CommandLine.hpp"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace WorkbenchTest {

namespace {

// The console writes CRLF line ends; the tests compare LF ones.
std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    std::string text = content.str();
    std::string lines;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!(text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n'))
            lines += text[at];
    }
    return lines;
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
        variables.push_back(std::filesystem::path(variable).wstring());
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

// A handle the child inherits, closed here on every path.
class Inherited {
public:
    Inherited(const std::filesystem::path& path, bool write) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        handle = CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &inherit,
                             write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot open " + path.string());
    }
    ~Inherited() { CloseHandle(handle); }
    Inherited(const Inherited&) = delete;
    Inherited& operator=(const Inherited&) = delete;

    HANDLE Get() const { return handle; }

private:
    HANDLE handle;
};

} // namespace

const bool BrowserLaunchesRecorded = Testing::BrowserLaunchRecordFile().has_value();

std::vector<std::string> RecordedBrowserLaunches(std::size_t recordedBefore, std::size_t expected) {
    const auto file = Testing::BrowserLaunchRecordFile();
    if (!file)
        return {};
    std::vector<std::string> urls = Testing::AwaitBrowserLaunchRecord(*file, recordedBefore + expected);
    urls.erase(urls.begin(),
               urls.begin() + static_cast<std::ptrdiff_t>(std::min(recordedBefore, urls.size())));
    return urls;
}
const bool ConnectToAvailable = false;
const char* const DataFolderVariable = "LOCALAPPDATA";
const char* const DataFolderName = "KAVELO Workbench";

Finished RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& input, const std::vector<std::string>& environment,
                    const std::filesystem::path& folder) {
    const std::filesystem::path out = folder / "stdout.txt", err = folder / "stderr.txt";
    std::wstring commandLine = HostTest::QuotedArgument(program.wstring());
    for (const std::string& argument : arguments) // UTF-8
        commandLine +=
            L' ' + HostTest::QuotedArgument(
                       std::filesystem::path(std::u8string(argument.begin(), argument.end())).wstring());
    std::wstring variables = EnvironmentBlock(environment);
    // The program inherits this process's record of browser launches.
    const auto record = Testing::BrowserLaunchRecordFile();
    const std::size_t launchesBefore = record ? Testing::ReadBrowserLaunchRecord(*record).size() : 0;
    {
        const Inherited in(input, false), outFile(out, true), errFile(err, true);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.Get();
        startup.hStdOutput = outFile.Get();
        startup.hStdError = errFile.Get();
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                            CREATE_UNICODE_ENVIRONMENT, variables.data(), nullptr, &startup, &process))
            throw std::runtime_error("cannot start " + program.string() + " (error " +
                                     std::to_string(GetLastError()) + ")");
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        Finished finished;
        finished.exitCode = static_cast<int>(exitCode);
        finished.out = ReadText(out);
        finished.err = ReadText(err);
        finished.launchesRecordedBefore = launchesBefore;
        return finished;
    }
}

} // namespace WorkbenchTest
