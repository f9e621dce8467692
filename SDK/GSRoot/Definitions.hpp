#pragma once

#include <cstddef>
#include <cstdint>

using Int8 = std::int8_t;
using UInt8 = std::uint8_t;
using Int16 = std::int16_t;
using UInt16 = std::uint16_t;
using Int32 = std::int32_t;
using UInt32 = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;

using USize = UInt32;
using UIndex = UInt32;
using GSSize = Int64;
using GSErrCode = Int32;
using GSPtr = char*;
using GSHandle = char**;
using GSConstHandle = const char* const*;

constexpr GSErrCode NoError = 0;
constexpr USize MaxUSize = 0xFFFFFFFF;

namespace GS {

using UniChar = char16_t;
using IntPtr = std::intptr_t;

} // namespace GS
