#pragma once

// The browser launches of this program run, as the test prefix's recorder keeps them: one line per
// launch, the browser's argument count, a blank, its arguments. The launches of the programs this
// one starts are kept there too.

#include <optional>
#include <string>
#include <vector>

namespace Testing {

// This run's record, or nothing where no recorder stands in for the browser (outside wine-run).
std::optional<std::wstring> BrowserLaunchRecordFile();

// The record's complete lines, none if there is no record yet.
std::vector<std::string> ReadBrowserLaunchRecord(const std::wstring& file);

} // namespace Testing
