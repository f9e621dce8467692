#pragma once

// Command lines of Windows programs, which the started program's C runtime splits into arguments.

#include <string>

namespace HostTest {

// One argument as the C runtime's parser of the command line reads it back.
std::wstring QuotedArgument(const std::wstring& argument);

} // namespace HostTest
