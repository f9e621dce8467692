#pragma once

// Reads transcript lines back for the tests: flat JSON objects of strings, integers, booleans and
// null. Written apart from the workbench's writer, so a fault in one is not mirrored in the other.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace WorkbenchTest {

using JsonValue = std::variant<std::nullptr_t, bool, std::int64_t, std::string>;

struct Event {
    std::map<std::string, JsonValue> fields;

    bool Has(const std::string& key) const { return fields.count(key) != 0; }
    std::string Name() const { return Text("event"); }
    std::string Text(const std::string& key) const;
    std::int64_t Number(const std::string& key) const;
    bool Flag(const std::string& key) const;
};

// Throws std::runtime_error with the reason when `line` is not such an object.
Event ParseEvent(std::string_view line);

// Every line of `text`; throws as ParseEvent does, naming the line.
std::vector<Event> ParseTranscript(const std::string& text);

std::vector<Event> EventsNamed(const std::vector<Event>& events, const std::string& name);

} // namespace WorkbenchTest
