#include "JSON/JSONConversion.hpp"

#include "GSRootHost.hpp"
#include "ObjectStateAccess.hpp"
#include "ObjectStateMembers.hpp"
#include "UniStringAccess.hpp"

#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using GS::ObjectState;
using GS::ObjectStateAccess;
using Testing::Members;
using Testing::MembersOf;

void Fill(ObjectState& state, const Members& members) {
    for (const auto& [name, value] : members) {
        ObjectStateAccess::AddMember(state, name, value);
    }
}

std::string Utf8Of(const GS::UniString& text) {
    const GS::UniString::CStr bytes = text.ToCStr(0, MaxUSize, GS::CC_UTF8);
    return std::string(bytes.Get(), bytes.GetLength());
}

std::string Create(const Members& members, bool pretty = false) {
    ObjectState state;
    Fill(state, members);
    GS::UniString json("not replaced");
    EXPECT_EQ(JSON::CreateFromObjectState(state, json, pretty), NoError);
    return Utf8Of(json);
}

GS::UniString FromUtf8(const std::string& text) {
    return GS::UniString(text.data(), static_cast<USize>(text.size()), GS::CC_UTF8);
}

// Members an independent parser reads from the text, in their order.
Members ParsedIndependently(const std::string& json) {
    Members members;
    const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(json);
    for (const auto& [name, value] : parsed.items()) {
        members.emplace_back(name, value.get<std::string>());
    }
    return members;
}

// Surrogate code points are skipped: they are no characters.
void AppendCodePoint(std::u16string& units, char32_t codePoint) {
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
        return;
    }
    if (codePoint < 0x10000) {
        units += static_cast<char16_t>(codePoint);
        return;
    }
    units += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
    units += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
}

std::string AllAsciiBytes() {
    std::string bytes;
    for (int c = 0; c < 0x80; ++c) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

TEST(CreateFromObjectState, CompactBodyOfAnUpload) {
    ObjectState state;
    state.Add("image", "data:image/jpeg;base64,/9j/4AAQ+/==");
    state.Add("name", "Archicad export");
    state.Add("source", "archicad");
    GS::UniString json;
    ASSERT_EQ(JSON::CreateFromObjectState(state, json, false), NoError);
    EXPECT_EQ(
        Utf8Of(json),
        R"({"image":"data:image/jpeg;base64,/9j/4AAQ+/==","name":"Archicad export","source":"archicad"})");
}

TEST(CreateFromObjectState, PrettyPutsEachMemberOnALine) {
    EXPECT_EQ(Create({{"a", "1"}, {"b", "2"}}, true), "{\n    \"a\": \"1\",\n    \"b\": \"2\"\n}");
    EXPECT_EQ(Create({}, true), "{}");
    EXPECT_EQ(Create({}, false), "{}");
}

TEST(CreateFromObjectState, EscapesWhatJsonRequiresAndNothingElse) {
    EXPECT_EQ(Create({{"q\"b\\", "\"\\/\b\f\n\r\t\x01\x1F\x7F"}}), R"({"q\"b\\":"\"\\/\b\f\n\r\t\u0001\u001f)"
                                                                   "\x7F"
                                                                   R"("})");
    EXPECT_EQ(Create({{"z", std::string("a\0b", 3)}}), R"({"z":"a\u0000b"})");
}

TEST(CreateFromObjectState, NonAsciiStaysUtf8AndIllFormedBytesBecomeReplacements) {
    EXPECT_EQ(Create({{"caf\xC3\xA9", "\xE2\x82\xAC\xF0\x9F\x98\x80"}}),
              "{\"caf\xC3\xA9\":\"\xE2\x82\xAC\xF0\x9F\x98\x80\"}");
    EXPECT_EQ(Create({{"a", "x\xFFy\xC3"}}), "{\"a\":\"x\xEF\xBF\xBDy\xEF\xBF\xBD\"}");
}

TEST(CreateFromObjectState, HostileStringsReadBackTheSameByAnotherParser) {
    std::mt19937 random(2024);
    Members members = {{AllAsciiBytes(), AllAsciiBytes()}, {"", ""}, {"\\u0041", "\\\\\"\\"}};
    for (int i = 0; i < 200; ++i) {
        std::u16string units;
        for (std::size_t length = random() % 40; length > 0; --length) {
            // Mostly the characters that need care, sometimes any character of any plane.
            static constexpr char16_t Tricky[] = u"\"\\/\n\r\t\b\f\x01\x1F\x7F\u00e9\u2028";
            if (random() % 4 != 0) {
                units += Tricky[random() % (std::size(Tricky) - 1)];
            } else {
                AppendCodePoint(units, static_cast<char32_t>(random() % 0x110000));
            }
        }
        members.emplace_back("m" + std::to_string(i), GS::Host::Utf16ToUtf8(units));
    }
    for (const bool pretty : {false, true}) {
        const std::string json = Create(members, pretty);
        EXPECT_EQ(ParsedIndependently(json), members);
        ObjectState back;
        ASSERT_EQ(JSON::ConvertToObjectState(FromUtf8(json), back), NoError);
        EXPECT_EQ(MembersOf(back), members);
    }
}

TEST(CreateFromObjectState, MultiMegabyteMemberSurvivesIntact) {
    std::string picture = "data:image/jpeg;base64,";
    std::mt19937 random(11);
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    while (picture.size() < 11 * 1024 * 1024) {
        picture += Alphabet[random() % 64];
    }
    const Members members = {{"image", picture}, {"name", "Archicad export"}, {"source", "archicad"}};
    ObjectState state;
    Fill(state, members);
    GS::UniString json;
    ASSERT_EQ(JSON::CreateFromObjectState(state, json, false), NoError);
    // Compared as a flag: a failure message of 11 MB helps nobody.
    EXPECT_TRUE(Utf8Of(json) ==
                R"({"image":")" + picture + R"(","name":"Archicad export","source":"archicad"})");
    // Written and parsed as bytes, and the same text held as UTF-16 units parses alike.
    EXPECT_TRUE(GS::UniStringAccess::GetAscii(json));
    ObjectState back;
    ASSERT_EQ(JSON::ConvertToObjectState(json, back), NoError);
    EXPECT_TRUE(MembersOf(back) == members);
    ObjectState fromUnits;
    ASSERT_EQ(JSON::ConvertToObjectState(GS::UniString(json.ToUStr(), json.GetLength()), fromUnits), NoError);
    EXPECT_TRUE(MembersOf(fromUnits) == members);
}

TEST(ConvertToObjectState, ReadsTheIdOfAnUploadAnswer) {
    ObjectState state;
    ASSERT_EQ(JSON::ConvertToObjectState(GS::UniString(R"( {"id":"abc", "status" : "stored"} )"), state),
              NoError);
    GS::UniString id;
    EXPECT_TRUE(state.Get("id", id));
    EXPECT_EQ(Utf8Of(id), "abc");
}

TEST(ConvertToObjectState, KeepsOnlyTopLevelStringMembers) {
    ObjectState state;
    ASSERT_EQ(JSON::ConvertToObjectState(GS::UniString(R"({"n":1.5e3,"t":true,"f":false,"z":null,"a":["x"],)"
                                                       R"("o":{"inner":"y"},"s":"kept"})"),
                                         state),
              NoError);
    EXPECT_EQ(MembersOf(state), (Members{{"s", "kept"}}));
}

TEST(ConvertToObjectState, DecodesEscapesAndUnicode) {
    ObjectState state;
    const GS::UniString json(uR"({"k\u00e9\"":"\"\\\/\b\f\n\r\t\u0000\ud83d\ude00 )"
                             u"\u00e9\u20ac"
                             uR"("})");
    ASSERT_EQ(JSON::ConvertToObjectState(json, state), NoError);
    static constexpr char Value[] = "\"\\/\b\f\n\r\t\0\xF0\x9F\x98\x80 \xC3\xA9\xE2\x82\xAC";
    EXPECT_EQ(MembersOf(state), (Members{{"k\xC3\xA9\"", std::string(Value, sizeof(Value) - 1)}}));
}

TEST(ConvertToObjectState, LaterMembersReplaceEarlierOnesAndExistingOnesStay) {
    ObjectState state;
    state.Add("kept", "1");
    state.Add("a", "old");
    ASSERT_EQ(JSON::ConvertToObjectState(GS::UniString(R"({"a":"x","b":"y","a":"z"})"), state), NoError);
    EXPECT_EQ(MembersOf(state), (Members{{"kept", "1"}, {"a", "z"}, {"b", "y"}}));
}

class NotAnObject : public testing::TestWithParam<std::pair<const char*, GSErrCode>> {};

TEST_P(NotAnObject, IsRefusedAndChangesNothing) {
    ObjectState state;
    state.Add("kept", "1");
    EXPECT_EQ(JSON::ConvertToObjectState(GS::UniString(GetParam().first), state), GetParam().second);
    EXPECT_EQ(MembersOf(state), (Members{{"kept", "1"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NotAnObject,
    testing::Values(std::pair("", JSON::ErrMalformedJSON), std::pair("   ", JSON::ErrMalformedJSON),
                    std::pair("not json", JSON::ErrMalformedJSON), std::pair("{", JSON::ErrMalformedJSON),
                    std::pair(R"({"a":"b",})", JSON::ErrMalformedJSON),
                    std::pair(R"({"a":"b"} trailing)", JSON::ErrMalformedJSON),
                    std::pair(R"({"a":"b"}{"c":"d"})", JSON::ErrMalformedJSON),
                    std::pair(R"({"a":"\ud800"})", JSON::ErrMalformedJSON),
                    std::pair("{\"a\":\"raw\nline\"}", JSON::ErrMalformedJSON),
                    std::pair(R"({"a":"\x"})", JSON::ErrMalformedJSON),
                    std::pair(R"({'a':'b'})", JSON::ErrMalformedJSON),
                    std::pair(R"({"a":01})", JSON::ErrMalformedJSON),
                    std::pair(R"({"a":tru})", JSON::ErrMalformedJSON),
                    std::pair("[1,2]", JSON::ErrNotAnObject), std::pair(R"("id")", JSON::ErrNotAnObject),
                    std::pair("42", JSON::ErrNotAnObject), std::pair("null", JSON::ErrNotAnObject)));

TEST(ConvertToObjectState, DeepNestingIsRefusedWithoutHarm) {
    const std::string deep = "{\"a\":" + std::string(5000, '[') + std::string(5000, ']') + "}";
    ObjectState state;
    EXPECT_EQ(JSON::ConvertToObjectState(FromUtf8(deep), state), JSON::ErrMalformedJSON);
    EXPECT_EQ(ObjectStateAccess::GetMemberCount(state), 0u);
}

TEST(JSONConversionMemory, AllocationFailureThrowsAndLeaksNothing) {
    ObjectState state;
    state.Add("a", "b");
    const GS::UniString input(R"({"c":"d"})");
    GS::UniString json;
    const UInt64 liveBefore = GS::Host::GetMemoryStats().liveBlocks;
    GS::Host::FailNthAllocation(1); // the JSON text
    EXPECT_THROW(JSON::CreateFromObjectState(state, json, false), std::bad_alloc);
    GS::Host::FailNthAllocation(1); // the new member's name
    EXPECT_THROW(JSON::ConvertToObjectState(input, state), std::bad_alloc);
    GS::Host::FailNthAllocation(0);
    EXPECT_EQ(GS::Host::GetMemoryStats().liveBlocks, liveBefore);
    EXPECT_EQ(MembersOf(state), (Members{{"a", "b"}}));
}

} // namespace
