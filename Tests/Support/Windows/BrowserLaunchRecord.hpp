#pragma once

// The browser launches of this program run, as the test prefix's recorder keeps them: one line per
// launch, the browser's argument count, a blank, its arguments. The launches of the programs this
// one starts are kept there too.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace Testing {

// This run's record, or nothing where no recorder stands in for the browser (outside wine-run).
std::optional<std::wstring> BrowserLaunchRecordFile();

// The URLs of the record's launches so far, in the order they arrived, none if there is no record yet.
std::vector<std::string> ReadBrowserLaunchRecord(const std::wstring& file);

// The record once it holds `launches` of them, or as far as it got in a few seconds: winebrowser starts
// the recorder a fraction of a second after the call that launched it, a busy machine later.
std::vector<std::string> AwaitBrowserLaunchRecord(const std::wstring& file, std::size_t launches);

} // namespace Testing
