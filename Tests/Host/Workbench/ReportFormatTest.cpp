#include "ReportFormat.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>

namespace {

Workbench::ReportText Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Workbench::ReportText result = Workbench::FormatReport(format, &args);
    va_end(args);
    return result;
}

TEST(WorkbenchReportFormat, FormatsEachSupportedConversion) {
    EXPECT_EQ(Format("%s: %s", "Error", "APIERR_GENERAL").text, "Error: APIERR_GENERAL");
    EXPECT_EQ(Format("[%s]", static_cast<const char*>(nullptr)).text, "[(null)]");
    EXPECT_EQ(Format("%d %i", -42, INT_MIN).text, "-42 " + std::to_string(INT_MIN));
    EXPECT_EQ(Format("%u", UINT_MAX).text, std::to_string(UINT_MAX));
    EXPECT_EQ(Format("%x", 0x8D0ACB8Bu).text, "8d0acb8b");
    EXPECT_EQ(Format("%ld", LONG_MIN).text, std::to_string(LONG_MIN));
    EXPECT_EQ(Format("%lu", ULONG_MAX).text, std::to_string(ULONG_MAX));
    EXPECT_EQ(Format("%lld", LLONG_MIN).text, std::to_string(LLONG_MIN));
    EXPECT_EQ(Format("%llu", ULLONG_MAX).text, std::to_string(ULLONG_MAX));
    EXPECT_EQ(Format("%lx %llx", ULONG_MAX, 0ull).text,
              std::string(2 * sizeof(long), 'f') + " 0"); // LP64 or LLP64
}

TEST(WorkbenchReportFormat, ReadsArgumentsInOrderAcrossMixedWidths) {
    const auto result = Format("%s=%d, %lld%%, %s %u", "a", -1, 1LL << 40, "b", 7u);
    EXPECT_FALSE(result.Malformed());
    EXPECT_EQ(result.text, "a=-1, 1099511627776%, b 7");
}

TEST(WorkbenchReportFormat, PercentPercentAndPlainTextNeedNoArguments) {
    EXPECT_EQ(Workbench::FormatReport("100%% done", nullptr).text, "100% done");
    EXPECT_EQ(Workbench::FormatReport("", nullptr).text, "");
    EXPECT_FALSE(Workbench::FormatReport("%%%%", nullptr).Malformed());
    EXPECT_EQ(Workbench::FormatReport("%%%%", nullptr).text, "%%");
}

TEST(WorkbenchReportFormat, AnyOtherConversionLeavesTheFormatRaw) {
    for (const char* format :
         {"%f", "%5d", "%-d", "%ls", "%hd", "%p", "%n", "%lf", "%lll", "value %", "%l", "%S"}) {
        SCOPED_TRACE(format);
        const auto result = Format(format, 1, 2, 3);
        EXPECT_TRUE(result.Malformed());
        EXPECT_EQ(result.text, format);
    }
}

TEST(WorkbenchReportFormat, ProblemNamesTheConversionAndWhereItIs) {
    const auto result = Format("%s then %.2f", "x", 1.5);
    EXPECT_EQ(result.text, "%s then %.2f");
    EXPECT_NE(result.problem.find("\"%.\""), std::string::npos) << result.problem;
    EXPECT_NE(result.problem.find("offset 8"), std::string::npos) << result.problem;
}

TEST(WorkbenchReportFormat, ConversionsWithoutArgumentListAreMalformed) {
    const auto result = Workbench::FormatReport("%s", nullptr);
    EXPECT_TRUE(result.Malformed());
    EXPECT_EQ(result.text, "%s");
}

// The caller's list is read through a copy: it can still be read from the start afterwards.
const char* FirstArgumentAfterFormatting(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Workbench::FormatReport(format, &args);
    const char* first = va_arg(args, const char*);
    va_end(args);
    return first;
}

TEST(WorkbenchReportFormat, LeavesTheCallersListUnread) {
    EXPECT_STREQ(FirstArgumentAfterFormatting("%s %s", "first", "second"), "first");
}

} // namespace
