#include "Options.hpp"
#include "DataFolder.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Workbench;

ParsedOptions Parse(std::vector<std::string_view> arguments) {
    return ParseOptions(arguments);
}

TEST(WorkbenchOptions, DefaultsWithoutArguments) {
    const ParsedOptions parsed = Parse({});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.modulePath, "");
    EXPECT_FALSE(parsed.options.scriptPath.has_value());
    EXPECT_FALSE(parsed.options.transcriptPath.has_value());
    EXPECT_FALSE(parsed.options.verbose);
    EXPECT_FALSE(parsed.options.desktop);
    EXPECT_FALSE(parsed.options.help);
    EXPECT_TRUE(parsed.options.failures.empty());
}

TEST(WorkbenchOptions, ReadsEveryOptionInBothSpellings) {
    const ParsedOptions parsed =
        Parse({"--module", "/m/K.apx", "--script=s.txt", "--transcript", "t.jsonl", "-v", "--fail",
               "5=-2130313215", "--fail=61=0x81060002", "--help", "--desktop"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.modulePath, "/m/K.apx");
    EXPECT_EQ(parsed.options.scriptPath, "s.txt");
    EXPECT_EQ(parsed.options.transcriptPath, "t.jsonl");
    EXPECT_TRUE(parsed.options.verbose);
    EXPECT_TRUE(parsed.options.desktop);
    EXPECT_TRUE(parsed.options.help);
    ASSERT_EQ(parsed.options.failures.size(), 2u);
    EXPECT_EQ(parsed.options.failures[0].slot, 5u);
    EXPECT_EQ(parsed.options.failures[0].code, GSErrCode(0x81060001));
    EXPECT_EQ(parsed.options.failures[1].slot, 61u);
    EXPECT_EQ(parsed.options.failures[1].code, GSErrCode(0x81060002));
}

TEST(WorkbenchOptions, RejectsUnknownOptionsAndMissingValues) {
    EXPECT_EQ(Parse({"--modules", "x"}).error, "unknown option \"--modules\" (see --help)");
    EXPECT_EQ(Parse({"script.txt"}).error, "unknown option \"script.txt\" (see --help)");
    EXPECT_EQ(Parse({"--script"}).error, "--script needs a value");
    EXPECT_EQ(Parse({"--verbose", "--transcript"}).error, "--transcript needs a value");
}

TEST(WorkbenchOptions, RejectsBadFailures) {
    EXPECT_NE(Parse({"--fail", "5"}).error.find("expected SLOT=CODE"), std::string::npos);
    EXPECT_NE(Parse({"--fail", "7=1"}).error.find("no slot the workbench supplies"), std::string::npos);
    EXPECT_NE(Parse({"--fail", "5=off"}).error.find("no host code"), std::string::npos);
    EXPECT_NE(Parse({"--fail", "5=0"}).error.find("0 is success"), std::string::npos);
}

TEST(WorkbenchOptions, HostOptionsSetTheDataFolderWindowAndView) {
    const ParsedOptions defaults = Parse({});
    EXPECT_FALSE(defaults.options.dataFolder.has_value());
    EXPECT_FALSE(defaults.options.window.has_value());
    EXPECT_EQ(defaults.options.view.size, (Scene::ViewSize{1600, 900}));
    EXPECT_FALSE(defaults.options.view.picture.has_value());

    const ParsedOptions parsed = Parse({"--data-dir", "/d", "--window=section", "--view-size", "320x200",
                                        "--view-image", "v.jpg", "--prefs-fail", "0x81060001"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.dataFolder, "/d");
    EXPECT_EQ(parsed.options.window, WindowKind::Section);
    EXPECT_EQ(parsed.options.view.size, (Scene::ViewSize{320, 200}));
    EXPECT_EQ(parsed.options.view.picture, std::filesystem::path("v.jpg"));
    ASSERT_EQ(parsed.options.failures.size(), 2u);
    EXPECT_EQ(parsed.options.failures[0].slot, 59u);
    EXPECT_EQ(parsed.options.failures[1].slot, 60u);
    EXPECT_EQ(parsed.options.failures[1].code, GSErrCode(0x81060001));
}

TEST(WorkbenchOptions, RejectsBadHostOptions) {
    EXPECT_EQ(Parse({"--window", "detail"}).error,
              "--window: \"detail\" is none of 3d, plan, section, layout");
    EXPECT_EQ(Parse({"--data-dir="}).error, "--data-dir needs a folder");
    EXPECT_NE(Parse({"--view-size", "1600"}).error.find("--view-size: "), std::string::npos);
    EXPECT_NE(Parse({"--view-size", "0x900"}).error.find("--view-size: "), std::string::npos);
    EXPECT_NE(Parse({"--prefs-fail", "off"}).error.find("--prefs-fail: "), std::string::npos);
    EXPECT_EQ(Parse({"--view-image"}).error, "--view-image needs a value");
}

TEST(WorkbenchOptions, UsageNamesEveryOptionAndScriptCommand) {
    const std::string usage = UsageText();
    for (const char* name : {"--module PATH",
                             "--script FILE",
                             "--transcript FILE",
                             "--fail SLOT=CODE",
                             "--verbose",
                             "--help",
                             "--data-dir DIR",
                             "--window KIND",
                             "--view-size WxH",
                             "--view-image FILE",
                             "--prefs-fail CODE",
                             "menu <id>",
                             "menu \"<command text>\"",
                             "toolbar",
                             "fail <slot> <code>",
                             "fail <slot> off",
                             "quit",
                             "unload --no-shutdown",
                             "help",
                             "answer <item>",
                             "answer close",
                             "window 3d|plan|section|layout",
                             "prefs show",
                             "prefs clear",
                             "prefs fail <code>",
                             "prefs fail off",
                             "--trust-ca FILE",
                             "--connect-to HOST:PORT:TOHOST:TOPORT",
                             "palette click <item>",
                             "palette close",
                             "palette message <1..7>",
                             "palette show-state",
                             "gc hold",
                             "gc run",
                             "gc release",
                             "--desktop",
                             "screenshot <file>"}) {
        EXPECT_NE(usage.find(name), std::string::npos) << name;
    }
}

TEST(WorkbenchOptions, NetworkOptionsRepeatInOrder) {
    const ParsedOptions parsed =
        Parse({"--trust-ca", "a.pem", "--trust-ca=b.pem", "--connect-to", "localhost:8443:127.0.0.1:9443",
               "--connect-to=example.com:443:[::1]:8443", "--connect-to", "[fe80::1]:443::"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.trustedCertificateFiles, (std::vector<std::string>{"a.pem", "b.pem"}));
    EXPECT_EQ(parsed.options.connectTo, (std::vector<ConnectTo>{{"localhost", 8443, "127.0.0.1", 9443},
                                                                {"example.com", 443, "::1", 8443},
                                                                {"fe80::1", 443, "fe80::1", 443}}));
    EXPECT_TRUE(Parse({}).options.connectTo.empty());
    EXPECT_TRUE(Parse({}).options.trustedCertificateFiles.empty());
}

TEST(WorkbenchOptions, ConnectToKeepsTheOriginalForAnEmptyTarget) {
    std::string error;
    EXPECT_EQ(ParseConnectTo("h:1::2", error), (ConnectTo{"h", 1, "h", 2}));
    EXPECT_EQ(ParseConnectTo("h:65535:t:", error), (ConnectTo{"h", 65535, "t", 65535}));
    EXPECT_EQ(error, "");
}

TEST(WorkbenchOptions, RejectsMalformedConnectTo) {
    const std::string shape = " is not HOST:PORT:TOHOST:TOPORT";
    for (const char* text :
         {"", "h", "h:1", "h:1:t", "h:1:t:2:3", "[::1:1:t:2", "[::1]x:1:t:2", "h:1:[::1]x"}) {
        const std::string error = Parse({"--connect-to", text}).error;
        EXPECT_EQ(error, "--connect-to: \"" + std::string(text) + "\"" + shape) << text;
    }
    for (const char* text : {"h:0:t:2", "h:1:t:65536", "h:x:t:2", "h:1:t:-2", "h::t:2", "h: 1:t:2"})
        EXPECT_EQ(Parse({"--connect-to", text}).error,
                  "--connect-to: \"" + std::string(text) + "\"" + shape + " (ports are 1 to 65535)")
            << text;
    EXPECT_EQ(Parse({"--connect-to", ":443:t:8443"}).error,
              "--connect-to: \":443:t:8443\"" + shape +
                  " (HOST is empty: give the host the add-on connects to)");
    EXPECT_EQ(Parse({"--connect-to"}).error, "--connect-to needs a value");
    EXPECT_EQ(Parse({"--trust-ca"}).error, "--trust-ca needs a value");
    EXPECT_EQ(Parse({"--trust-ca="}).error, "--trust-ca needs a file");
}

} // namespace
