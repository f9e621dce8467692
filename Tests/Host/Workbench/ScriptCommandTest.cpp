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
    for (const char* line : {"fail 4 1", "fail 58 1", "fail 80 1", "fail 644 1", "fail -5 1", "fail x 1"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(
            ErrorOf(line).find("no slot the workbench supplies (5, 25, 59, 60, 61, 62, 68, 77, 78, 81)"),
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

TEST(WorkbenchScriptCommand, PrefsShowsClearsAndFailsBothPreferenceSlots) {
    EXPECT_EQ(CommandOf<PrefsCommand>("prefs show").action, PrefsCommand::Action::Show);
    EXPECT_EQ(CommandOf<PrefsCommand>("prefs clear").action, PrefsCommand::Action::Clear);
    const auto fail = CommandOf<PrefsCommand>("prefs fail 0x81060387");
    EXPECT_EQ(fail.action, PrefsCommand::Action::Fail);
    EXPECT_EQ(fail.code, GSErrCode(0x81060387));
    EXPECT_FALSE(CommandOf<PrefsCommand>("prefs fail off").code.has_value());
    for (const char* line : {"prefs", "prefs shows", "prefs fail", "prefs show all"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(ErrorOf(line).find("prefs: expected"), std::string::npos);
    }
    EXPECT_NE(ErrorOf("prefs fail 0").find("0 is success"), std::string::npos);

    const auto failures = PreferenceFailures(-5);
    EXPECT_EQ(failures[0].slot, 59u);
    EXPECT_EQ(failures[1].slot, 60u);
    EXPECT_EQ(failures[1].code, -5);
}

TEST(WorkbenchScriptCommand, AnswerTakesAnItemOrClose) {
    EXPECT_EQ(CommandOf<AnswerCommand>("answer 1").item, Int16(1));
    EXPECT_EQ(CommandOf<AnswerCommand>("answer 32767 # last").item, Int16(32767));
    EXPECT_FALSE(CommandOf<AnswerCommand>("answer close").item.has_value());
    for (const char* line : {"answer 0", "answer -1", "answer 32768", "answer OK", "answer x"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(ErrorOf(line).find("is no dialog item (1 to 32767) and not \"close\""), std::string::npos);
    }
    EXPECT_NE(ErrorOf("answer").find("expected"), std::string::npos);
    EXPECT_NE(ErrorOf("answer 1 2").find("expected"), std::string::npos);
}

TEST(WorkbenchScriptCommand, WindowNamesOneOfTheFourKinds) {
    EXPECT_EQ(CommandOf<WindowCommand>("window 3d").kind, WindowKind::Model3D);
    EXPECT_EQ(CommandOf<WindowCommand>("window plan").kind, WindowKind::FloorPlan);
    EXPECT_EQ(CommandOf<WindowCommand>("window section").kind, WindowKind::Section);
    EXPECT_EQ(CommandOf<WindowCommand>("window layout").kind, WindowKind::Layout);
    for (const char* line : {"window", "window 3D", "window detail", "window 3d plan"})
        EXPECT_NE(ErrorOf(line).find("window: expected"), std::string::npos) << line;
}

TEST(WorkbenchScriptCommand, ScreenshotNamesOneFile) {
    EXPECT_EQ(CommandOf<ScreenshotCommand>("screenshot dialog.png").path, "dialog.png");
    EXPECT_EQ(CommandOf<ScreenshotCommand>("screenshot \"My pictures/a b.png\" # front").path,
              "My pictures/a b.png");
    for (const char* line : {"screenshot", "screenshot a.png b.png", "screenshot \"\""})
        EXPECT_NE(ErrorOf(line).find("screenshot: expected"), std::string::npos) << line;
}

TEST(WorkbenchScriptCommand, UnknownCommandsAreFlaggedAsSuch) {
    const ParsedLine parsed = ParseCommandLine("Open toolbar");
    EXPECT_TRUE(parsed.unknownCommand);
    EXPECT_EQ(parsed.error, "unknown command \"Open\" (try \"help\")");
    EXPECT_FALSE(ParseCommandLine("fail 5 xyz").unknownCommand);
}

TEST(WorkbenchScriptCommand, PaletteCommandsNameAnItemAMessageOrNothing) {
    const auto click = CommandOf<PaletteCommand>("palette click 2");
    EXPECT_EQ(click.action, PaletteCommand::Action::Click);
    EXPECT_EQ(click.item, 2);
    EXPECT_EQ(CommandOf<PaletteCommand>("palette close").action, PaletteCommand::Action::Close);
    EXPECT_EQ(CommandOf<PaletteCommand>("palette show-state").action, PaletteCommand::Action::ShowState);
    for (Int32 message = 1; message <= 7; ++message) {
        const auto sent = CommandOf<PaletteCommand>("palette message " + std::to_string(message));
        EXPECT_EQ(sent.action, PaletteCommand::Action::Message);
        EXPECT_EQ(sent.message, message);
    }
}

TEST(WorkbenchScriptCommand, RejectsBadPaletteCommands) {
    EXPECT_EQ(ErrorOf("palette click 0"), "palette click: \"0\" is no palette item (1 to 32767)");
    EXPECT_EQ(ErrorOf("palette click 40000"), "palette click: \"40000\" is no palette item (1 to 32767)");
    EXPECT_EQ(ErrorOf("palette click x"), "palette click: \"x\" is no palette item (1 to 32767)");
    for (const char* message : {"0", "8", "-1", "7x"})
        EXPECT_EQ(ErrorOf(std::string("palette message ") + message),
                  "palette message: \"" + std::string(message) + "\" is none of the host's messages 1 to 7");
    for (const char* line :
         {"palette", "palette click", "palette close now", "palette message", "palette open"})
        EXPECT_NE(ErrorOf(line).find("palette: expected \"palette click <item>\""), std::string::npos)
            << line;
}

TEST(WorkbenchScriptCommand, GcHoldsRunsOrReleasesTheCollector) {
    EXPECT_EQ(CommandOf<GcCommand>("gc hold").action, GcCommand::Action::Hold);
    EXPECT_EQ(CommandOf<GcCommand>("gc run # now").action, GcCommand::Action::Run);
    EXPECT_EQ(CommandOf<GcCommand>("gc release").action, GcCommand::Action::Release);
    for (const char* line : {"gc", "gc run twice", "gc stop"})
        EXPECT_EQ(ErrorOf(line), "gc: expected \"gc hold\", \"gc run\" or \"gc release\"") << line;
}

} // namespace
