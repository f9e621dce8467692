#pragma once

// The stored preferences as a person reads them (`prefs show`): version and size, a hex dump, and
// for KAVELO's 48-byte version-1 record the fields the add-on keeps in it: the link id, and the
// time it last opened the service in the browser.

#include "PreferenceStore.hpp"

#include <span>
#include <string>

namespace Workbench {

// Sixteen bytes a line: offset, hex, and the bytes as ASCII ('.' for the others).
std::string HexDump(std::span<const UInt8> bytes);

// "2024-05-01 12:00:00 UTC"; a time the calendar functions cannot show is given as seconds.
std::string UtcDate(Int64 secondsSince1970);

// Every line ends in a line feed.
std::string DescribePreferences(const StoredPreferences& record);

} // namespace Workbench
