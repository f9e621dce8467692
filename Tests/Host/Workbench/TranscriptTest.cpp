#include "Transcript.hpp"
#include "DebugLog.hpp"
#include "TranscriptReader.hpp"

#include "GSRoot/DBPrintf.hpp"
#include "GSUtils/GSUtils.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using WorkbenchTest::ParseTranscript;

TEST(WorkbenchTranscript, NumbersEventsFromOneWithSeqAndEventFirst) {
    std::ostringstream lines;
    std::ostringstream errors;
    Workbench::Transcript transcript(lines, errors);
    transcript.Write("module-loaded", Workbench::JsonObject().String("path", "/x/KAVELO.apx"));
    transcript.Write("beep");
    EXPECT_EQ(lines.str(), "{\"seq\":1,\"event\":\"module-loaded\",\"path\":\"/x/KAVELO.apx\"}\n"
                           "{\"seq\":2,\"event\":\"beep\"}\n");
    EXPECT_EQ(transcript.LastSequence(), 2u);
    EXPECT_TRUE(errors.str().empty());
}

TEST(WorkbenchTranscript, EachLineIsInTheFileAsSoonAsItIsWritten) {
    const auto path = std::filesystem::path(testing::TempDir()) / "transcript-flush.jsonl";
    std::ofstream file(path, std::ios::trunc);
    std::ostringstream errors;
    Workbench::Transcript transcript(file, errors);
    transcript.Write("debug", Workbench::JsonObject().String("text", "one\n"));

    std::ifstream reader(path);
    std::stringstream content;
    content << reader.rdbuf();
    const auto events = ParseTranscript(content.str());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Text("text"), "one\n");
}

TEST(WorkbenchTranscript, AFailedWriteIsToldOnceAndNumberingGoesOn) {
    std::ostringstream lines;
    lines.setstate(std::ios::badbit);
    std::ostringstream errors;
    Workbench::Transcript transcript(lines, errors);
    transcript.Write("beep");
    transcript.Write("beep");
    EXPECT_TRUE(transcript.WriteFailed());
    EXPECT_EQ(transcript.LastSequence(), 2u);
    const std::string told = errors.str();
    EXPECT_NE(told.find("transcript failed at event 1"), std::string::npos) << told;
    EXPECT_EQ(told.find("transcript", told.find('\n')), std::string::npos) << "told twice: " << told;
}

struct WorkbenchDebugLog : testing::Test {
    std::ostringstream lines, out, err;
    Workbench::Transcript transcript{lines, err};
};

TEST_F(WorkbenchDebugLog, PiecesBecomeOneEventPerLine) {
    Workbench::Console console(out, err, false);
    Workbench::DebugLog log(transcript, console);
    log.Write("Abnormal add-on termination (\"/m/KAVELO.apx\")");
    EXPECT_TRUE(lines.str().empty());
    log.Write("\nsecond\nthird ");
    log.Write("part");
    log.Flush();
    log.Flush();
    const auto events = ParseTranscript(lines.str());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Text("text"), "Abnormal add-on termination (\"/m/KAVELO.apx\")\n");
    EXPECT_EQ(events[1].Text("text"), "second\n");
    EXPECT_EQ(events[2].Text("text"), "third part");
    EXPECT_TRUE(err.str().empty()) << "debug text on the error stream without --verbose";
}

TEST_F(WorkbenchDebugLog, VerboseCopiesTheTextAsItComes) {
    Workbench::Console console(out, err, true);
    Workbench::DebugLog log(transcript, console);
    log.Write("HTTP ");
    log.Write("201\n");
    EXPECT_EQ(err.str(), "HTTP 201\n");
}

TEST_F(WorkbenchDebugLog, EachCommandsDebugTextIsCutOnceAtItsBound) {
    Workbench::Console console(out, err, false);
    Workbench::DebugLog log(transcript, console);
    const std::size_t bound = Workbench::DebugLog::LinesPerCommand;
    for (int command = 0; command < 2; ++command) {
        lines.str("");
        log.BeginCommand();
        log.Write("HTTP 201\n");
        for (std::size_t i = 0; i < bound + 5; ++i)
            log.Write("\n");
        log.Flush();
        const auto events = ParseTranscript(lines.str());
        ASSERT_EQ(events.size(), bound + 1) << "command " << command;
        EXPECT_EQ(events.front().Text("text"), "HTTP 201\n");
        EXPECT_EQ(events[bound - 1].Name(), "debug");
        EXPECT_EQ(events[bound].Name(), "debug-cut");
        EXPECT_EQ(events[bound].Number("lines"), std::int64_t(bound));
    }
}

TEST_F(WorkbenchDebugLog, LibrarySinksCatchDebugTextAndBeepsUntilDestroyed) {
    Workbench::Console console(out, err, false);
    {
        Workbench::LibrarySinks sinks(transcript, console);
        DBPrintf("Connected to %s\n", "localhost");
        GSSysBeep();
        DBPrintf("no line end");
    }
    const auto events = ParseTranscript(lines.str());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Name(), "debug");
    EXPECT_EQ(events[0].Text("text"), "Connected to localhost\n");
    EXPECT_EQ(events[1].Name(), "beep");
    EXPECT_EQ(events[2].Text("text"), "no line end");
    EXPECT_EQ(out.str(), "[beep]\n");
}

} // namespace
