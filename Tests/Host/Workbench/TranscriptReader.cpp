#include "TranscriptReader.hpp"

#include <sstream>
#include <stdexcept>

namespace WorkbenchTest {

namespace {

using Json = nlohmann::json;

const Json& Field(const Event& event, const std::string& key, bool (Json::*hasType)() const noexcept) {
    const auto found = event.fields.find(key);
    if (found == event.fields.end())
        throw std::runtime_error("no field \"" + key + "\"");
    if (!((*found).*hasType)())
        throw std::runtime_error("field \"" + key + "\" has another type");
    return *found;
}

} // namespace

std::string Event::Text(const std::string& key) const {
    return Field(*this, key, &Json::is_string).get<std::string>();
}

std::int64_t Event::Number(const std::string& key) const {
    return Field(*this, key, &Json::is_number_integer).get<std::int64_t>();
}

bool Event::Flag(const std::string& key) const {
    return Field(*this, key, &Json::is_boolean).get<bool>();
}

Event ParseEvent(std::string_view line) {
    Event event;
    try {
        event.fields = Json::parse(line);
    } catch (const Json::parse_error& error) {
        throw std::runtime_error(std::string(error.what()) + " in " + std::string(line));
    }
    if (!event.fields.is_object())
        throw std::runtime_error("not an object: " + std::string(line));
    for (const auto& [key, value] : event.fields.items()) {
        if (!(value.is_null() || value.is_boolean() || value.is_number_integer() || value.is_string()))
            throw std::runtime_error("field \"" + key + "\" is not a string, integer, boolean or null");
    }
    return event;
}

std::vector<Event> ParseTranscript(const std::string& text) {
    std::vector<Event> events;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        try {
            events.push_back(ParseEvent(line));
        } catch (const std::runtime_error& error) {
            throw std::runtime_error("transcript line " + std::to_string(number) + ": " + error.what());
        }
    }
    return events;
}

std::vector<Event> EventsNamed(const std::vector<Event>& events, const std::string& name) {
    std::vector<Event> named;
    for (const Event& event : events) {
        if (event.Name() == name)
            named.push_back(event);
    }
    return named;
}

} // namespace WorkbenchTest
