#pragma once

// Reads transcript lines back for the tests: flat JSON objects of strings, integers, booleans and
// null. Read with a JSON library of its own, so a fault in the workbench's writer is not mirrored here.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace WorkbenchTest {

struct Event {
    nlohmann::json fields; // an object

    bool Has(const std::string& key) const { return fields.contains(key); }
    std::string Name() const { return Text("event"); }
    // Each throws std::runtime_error when the field is missing or of another type.
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
