#include "ScriptCommand.hpp"

#include <gtest/gtest.h>

namespace {

using namespace Workbench;

template <typename T>
T CommandOf(std::string_view line) {
    const ParsedLine parsed = ParseCommandLine(line);
    EXPECT_EQ(parsed.error, "") << line;
    if (!parsed.command || !std::holds_alternative<T>(*parsed.command))
        throw std::runtime_error("wrong command for: " + std::string(line));
    return std::get<T>(*parsed.command);
}

std::string ErrorOf(std::string_view line) {
    const ParsedLine parsed = ParseCommandLine(line);
    EXPECT_FALSE(parsed.command.has_value()) << line;
    return parsed.error;
}

TEST(WorkbenchScriptCommand, BlankAndCommentLinesHoldNoCommand) {
    for (const char* line : {"", "   ", "\t\r", "# menu 32511", "   # quit"}) {
        const ParsedLine parsed = ParseCommandLine(line);
        EXPECT_FALSE(parsed.command.has_value()) << line;
        EXPECT_EQ(parsed.error, "") << line;
    }
}

TEST(WorkbenchScriptCommand, MenuTakesAnIdOrTheCommandText) {
    EXPECT_EQ(std::get<Int16>(CommandOf<MenuCommand>("menu 32511").target), 32511);
    EXPECT_EQ(std::get<Int16>(CommandOf<MenuCommand>("  menu\t32540  # toolbar").target), 32540);
    EXPECT_EQ(std::get<std::string>(CommandOf<MenuCommand>("menu \"Open toolbar\"").target), "Open toolbar");
    EXPECT_EQ(std::get<std::string>(CommandOf<MenuCommand>("menu Unlink account").target), "Unlink account");
    EXPECT_EQ(std::get<std::string>(CommandOf<MenuCommand>("menu \"32511\"").target), "32511");
    EXPECT_EQ(std::get<std::string>(CommandOf<MenuCommand>("menu \"a # b\"").target), "a # b");
}

TEST(WorkbenchScriptCommand, MenuRejectsIdsOutsideSixteenBits) {
    EXPECT_NE(ErrorOf("menu 0").find("no menu id"), std::string::npos);
    EXPECT_NE(ErrorOf("menu 32768").find("no menu id"), std::string::npos);
    EXPECT_NE(ErrorOf("menu 99999999999999999999").find("no menu id"), std::string::npos);
    EXPECT_NE(ErrorOf("menu").find("menu id or the command's text"), std::string::npos);
    EXPECT_NE(ErrorOf("menu \"Open toolbar").find("unterminated"), std::string::npos);
}

TEST(WorkbenchScriptCommand, FailTakesASuppliedSlotAndACodeOrOff) {
    const auto decimal = CommandOf<FailCommand>("fail 5 -2130313215").failure;
    EXPECT_EQ(decimal.slot, 5u);
    EXPECT_EQ(decimal.code, GSErrCode(0x81060001));
    EXPECT_EQ(CommandOf<FailCommand>("fail 61 0x81060001").failure.code, GSErrCode(0x81060001));
    EXPECT_EQ(CommandOf<FailCommand>("fail 25 2164654081").failure.code, GSErrCode(0x81060001));
    EXPECT_EQ(CommandOf<FailCommand>("fail 68 -36").failure.code, -36);
    EXPECT_EQ(CommandOf<FailCommand>("fail 62 0XFFFFFFFF").failure.code, -1);
    const auto off = CommandOf<FailCommand>("fail 62 off").failure;
    EXPECT_EQ(off.slot, 62u);
    EXPECT_FALSE(off.code.has_value());
}

TEST(WorkbenchScriptCommand, FailRejectsOtherSlotsAndBadCodes) {
    for (const char* line : {"fail 4 1", "fail 59 1", "fail 644 1", "fail -5 1", "fail x 1"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(ErrorOf(line).find("no slot the workbench supplies (5, 25, 61, 62, 68)"),
                  std::string::npos);
    }
    for (const char* line : {"fail 5 xyz", "fail 5 0x", "fail 5 0x123456789", "fail 5 4294967296",
                             "fail 5 -2147483649", "fail 5 1.5", "fail 5 +1"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(ErrorOf(line).find("no host code"), std::string::npos);
    }
    EXPECT_NE(ErrorOf("fail 5 0").find("0 is success"), std::string::npos);
    EXPECT_NE(ErrorOf("fail 5").find("expected"), std::string::npos);
    EXPECT_NE(ErrorOf("fail 5 1 2").find("expected"), std::string::npos);
}

TEST(WorkbenchScriptCommand, QuitUnloadToolbarAndHelp) {
    EXPECT_TRUE(CommandOf<QuitCommand>("quit").shutDown);
    EXPECT_TRUE(CommandOf<QuitCommand>("unload").shutDown);
    EXPECT_FALSE(CommandOf<QuitCommand>("unload --no-shutdown").shutDown);
    CommandOf<ToolbarCommand>("toolbar");
    CommandOf<HelpCommand>("help # again");
    EXPECT_NE(ErrorOf("quit now").find("takes no arguments"), std::string::npos);
    EXPECT_NE(ErrorOf("toolbar 1").find("takes no arguments"), std::string::npos);
    EXPECT_NE(ErrorOf("unload --shutdown").find("--no-shutdown"), std::string::npos);
}

TEST(WorkbenchScriptCommand, UnknownCommandsAreFlaggedAsSuch) {
    const ParsedLine parsed = ParseCommandLine("Open toolbar");
    EXPECT_TRUE(parsed.unknownCommand);
    EXPECT_EQ(parsed.error, "unknown command \"Open\" (try \"help\")");
    EXPECT_FALSE(ParseCommandLine("fail 5 xyz").unknownCommand);
}

} // namespace
