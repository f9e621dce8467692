#include "TranscriptReader.hpp"

#include <sstream>
#include <stdexcept>

namespace WorkbenchTest {

namespace {

class Reader {
public:
    explicit Reader(std::string_view input) : text(input) {}

    Event Object() {
        Event event;
        Expect('{');
        if (Peek() == '}') {
            ++at;
        } else {
            do {
                std::string key = String();
                Expect(':');
                event.fields[key] = Value();
            } while (Take(','));
            Expect('}');
        }
        if (at != text.size())
            Fail("text after the object");
        return event;
    }

private:
    char Peek() const { return at < text.size() ? text[at] : '\0'; }

    bool Take(char c) {
        if (Peek() != c)
            return false;
        ++at;
        return true;
    }

    void Expect(char c) {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error(what + " at offset " + std::to_string(at) + " of " + std::string(text));
    }

    JsonValue Value() {
        if (Peek() == '"')
            return String();
        if (text.substr(at, 4) == "true") {
            at += 4;
            return true;
        }
        if (text.substr(at, 5) == "false") {
            at += 5;
            return false;
        }
        if (text.substr(at, 4) == "null") {
            at += 4;
            return nullptr;
        }
        const std::size_t start = at;
        Take('-');
        while (Peek() >= '0' && Peek() <= '9')
            ++at;
        if (at == start || text[at - 1] == '-')
            Fail("expected a value");
        return std::stoll(std::string(text.substr(start, at - start)));
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string String() {
        Expect('"');
        std::string out;
        while (Peek() != '"') {
            const char c = Peek();
            if (c == '\0' && at >= text.size())
                Fail("unterminated string");
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("raw control character in a string");
            ++at;
            if (c != '\\') {
                out += c;
                continue;
            }
            const char escape = Peek();
            ++at;
            switch (escape) {
            case '"':
            case '\\':
            case '/':
                out += escape;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (at + 4 > text.size())
                    Fail("short \\u escape");
                AppendUtf8(out,
                           static_cast<unsigned>(std::stoul(std::string(text.substr(at, 4)), nullptr, 16)));
                at += 4;
                break;
            }
            default:
                Fail("unknown escape");
            }
        }
        ++at;
        return out;
    }

    std::string_view text;
    std::size_t at = 0;
};

template <typename T>
const T& Get(const Event& event, const std::string& key) {
    const auto found = event.fields.find(key);
    if (found == event.fields.end())
        throw std::runtime_error("no field \"" + key + "\"");
    const T* value = std::get_if<T>(&found->second);
    if (value == nullptr)
        throw std::runtime_error("field \"" + key + "\" has another type");
    return *value;
}

} // namespace

std::string Event::Text(const std::string& key) const {
    return Get<std::string>(*this, key);
}

std::int64_t Event::Number(const std::string& key) const {
    return Get<std::int64_t>(*this, key);
}

bool Event::Flag(const std::string& key) const {
    return Get<bool>(*this, key);
}

Event ParseEvent(std::string_view line) {
    return Reader(line).Object();
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
