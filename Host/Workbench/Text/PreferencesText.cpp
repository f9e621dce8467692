#include "PreferencesText.hpp"

#include <chrono>
#include <cstdio>

namespace Workbench {

namespace {

// The add-on's record: a NUL-terminated link id in the first 37 bytes, padding, then the signed
// 64-bit time of the last browser visit at offset 40.
constexpr Int32 RecordVersion = 1;
constexpr std::size_t RecordSize = 48;
constexpr std::size_t LinkIdBytes = 37;
constexpr std::size_t StampOffset = 40;

bool Printable(UInt8 byte) {
    return byte >= 0x20 && byte < 0x7F;
}

std::string DescribeLinkId(std::span<const UInt8> field) {
    std::string text;
    std::size_t end = 0;
    while (end < field.size() && field[end] != 0)
        ++end;
    if (end == field.size())
        return "link id: no terminator in its 37 bytes (the add-on reads this as not linked)\n";
    for (std::size_t i = 0; i < end; ++i) {
        if (Printable(field[i])) {
            text += static_cast<char>(field[i]);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", field[i]);
            text += escaped;
        }
    }
    if (text.empty())
        return "link id: none (not linked)\n";
    return "link id: \"" + text + "\" (linked)\n";
}

std::string DescribeStamp(std::span<const UInt8> field) {
    UInt64 raw = 0;
    for (std::size_t i = 0; i < 8; ++i)
        raw |= UInt64(field[i]) << (8 * i);
    const auto seconds = static_cast<Int64>(raw);
    if (seconds == 0)
        return "browser last opened: never (0)\n";
    return "browser last opened: " + UtcDate(seconds) + " (" + std::to_string(seconds) + ")\n";
}

} // namespace

std::string HexDump(std::span<const UInt8> bytes) {
    std::string dump;
    for (std::size_t line = 0; line < bytes.size(); line += 16) {
        char text[24];
        std::snprintf(text, sizeof text, "%04zX ", line);
        dump += text;
        std::string ascii;
        for (std::size_t i = line; i < line + 16; ++i) {
            if (i < bytes.size()) {
                std::snprintf(text, sizeof text, " %02X", bytes[i]);
                dump += text;
                ascii += Printable(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
            } else {
                dump += "   ";
            }
        }
        dump += "  |" + ascii + "|\n";
    }
    return dump;
}

std::string UtcDate(Int64 secondsSince1970) {
    using namespace std::chrono;
    // Years 1 to 9999, the calendar's four-digit years; the arithmetic stays far from overflow.
    constexpr Int64 First = -62135596800; // 0001-01-01 00:00:00
    constexpr Int64 Last = 253402300799;  // 9999-12-31 23:59:59
    if (secondsSince1970 < First || secondsSince1970 > Last)
        return std::to_string(secondsSince1970) + " seconds after 1970";
    const sys_seconds time{seconds{secondsSince1970}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d UTC", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

std::string DescribePreferences(const StoredPreferences& record) {
    std::string text = "version " + std::to_string(record.version) + ", " +
                       std::to_string(record.bytes.size()) + " bytes\n" + HexDump(record.bytes);
    if (record.version != RecordVersion || record.bytes.size() != RecordSize)
        return text + "not KAVELO's record (version 1, 48 bytes): the add-on reads it as nothing stored\n";
    const std::span<const UInt8> bytes(record.bytes);
    return text + DescribeLinkId(bytes.first(LinkIdBytes)) + DescribeStamp(bytes.subspan(StampOffset, 8));
}

} // namespace Workbench
