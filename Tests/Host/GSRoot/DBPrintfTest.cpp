#include "GSRoot/DBPrintf.hpp"

#include "GSRootHost.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DBPrintfTest : public testing::Test {
protected:
    void SetUp() override {
        GS::Host::SetDebugSink([this](std::string_view text) { lines.emplace_back(text); });
    }
    void TearDown() override { GS::Host::SetDebugSink({}); }

    std::vector<std::string> lines;
};

TEST_F(DBPrintfTest, FormatsIntoTheSink) {
    DBPrintf("HTTP %u\n", 201u);
    DBPrintf("Connected to %s (%d%%)\n", "localhost", -5);
    EXPECT_EQ(lines, (std::vector<std::string>{"HTTP 201\n", "Connected to localhost (-5%)\n"}));
}

TEST_F(DBPrintfTest, LongTextArrivesWhole) {
    std::string image(200000, 'Q');
    image.back() = 'Z';
    DBPrintf("ImageID %s\n", image.c_str());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ImageID " + image + "\n");
}

TEST_F(DBPrintfTest, UnformattableTextIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "mingw-w64's vsnprintf does not fail on an unconvertible wide string: it writes nothing";
#endif
    // In the C locale a wide character beyond Latin-1 cannot be converted, so formatting fails.
    DBPrintf("%ls", L"\u20ac");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "DBPrintf: cannot format \"%ls\"\n");
}

TEST_F(DBPrintfTest, NullFormatIsReported) {
    const char* const missing = nullptr;
    DBPrintf(missing);
    EXPECT_EQ(lines, std::vector<std::string>{"DBPrintf: null format string\n"});
}

TEST_F(DBPrintfTest, EmptySinkRestoresStandardError) {
    GS::Host::SetDebugSink({});
    testing::internal::CaptureStderr();
    DBPrintf("Abnormal add-on termination (\"%s\")\n", "/x/KAVELO.apx");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Abnormal add-on termination (\"/x/KAVELO.apx\")\n");
    EXPECT_TRUE(lines.empty());
}

} // namespace
