#include "Json.hpp"
#include "TranscriptReader.hpp"

#include <gtest/gtest.h>

namespace {

std::string Quoted(std::string_view text) {
    std::string out;
    Workbench::AppendJsonString(out, text);
    return out;
}

TEST(WorkbenchJsonString, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(Quoted("plain"), "\"plain\"");
    EXPECT_EQ(Quoted("say \"hi\""), R"("say \"hi\"")");
    EXPECT_EQ(Quoted("C:\\path"), R"("C:\\path")");
    EXPECT_EQ(Quoted("a\nb\tc\rd\be\ff"), R"("a\nb\tc\rd\be\ff")");
    EXPECT_EQ(Quoted(std::string_view("\x00\x01\x1f\x7f", 4)), R"("\u0000\u0001\u001f\u007f")");
    EXPECT_EQ(Quoted(""), "\"\"");
}

TEST(WorkbenchJsonString, KeepsValidUtf8AsItIs) {
    EXPECT_EQ(Quoted("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"),
              "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF\"");
}

TEST(WorkbenchJsonString, ReplacesEachByteOfAnInvalidSequence) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(Quoted("a\x80z"), "\"a" + replacement + "z\"");               // stray continuation byte
    EXPECT_EQ(Quoted("\xC0\xAF"), "\"" + replacement + replacement + "\""); // overlong '/'
    EXPECT_EQ(Quoted("\xE0\x80\xAF"), "\"" + replacement + replacement + replacement + "\""); // overlong
    EXPECT_EQ(Quoted("\xED\xA0\x80"), "\"" + replacement + replacement + replacement + "\""); // surrogate
    EXPECT_EQ(Quoted("\xF4\x90\x80\x80"),
              "\"" + replacement + replacement + replacement + replacement + "\"");
    EXPECT_EQ(Quoted("\xF5"), "\"" + replacement + "\"");
    EXPECT_EQ(Quoted("x\xE2\x82"), "\"x" + replacement + replacement + "\""); // cut short at the end
    EXPECT_EQ(Quoted("\xE2\x82z"), "\"" + replacement + replacement + "z\""); // cut short by ASCII
}

TEST(WorkbenchJsonObject, WritesMembersInOrderAndReadsBack) {
    Workbench::JsonObject extra;
    extra.Bool("alert", true).Null("code");
    Workbench::JsonObject object;
    object.Number("seq", 3).String("text", "line\n\"q\"").Number("min", INT64_MIN).Members(extra).Members({});
    EXPECT_EQ(object.Text(),
              R"({"seq":3,"text":"line\n\"q\"","min":-9223372036854775808,"alert":true,"code":null})");

    const WorkbenchTest::Event event = WorkbenchTest::ParseEvent(object.Text());
    EXPECT_EQ(event.Text("text"), "line\n\"q\"");
    EXPECT_TRUE(event.Flag("alert"));
    EXPECT_EQ(event.Number("min"), INT64_MIN);
}

TEST(WorkbenchJsonObject, EmptyObjectsStayValid) {
    EXPECT_EQ(Workbench::JsonObject().Text(), "{}");
    EXPECT_EQ(Workbench::JsonObject().Members(Workbench::JsonObject().Number("a", 1)).Text(), R"({"a":1})");
}

} // namespace
