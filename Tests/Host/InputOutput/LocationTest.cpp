#include "IO/Location.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string PathOf(const IO::Location& location) {
    return std::u16string(location.ToPath().ToUStr(), location.ToPath().GetLength());
}

IO::Location Join(const char16_t* folder, const std::u16string& name) {
    return IO::Location(IO::Location(GS::UniString(folder)),
                        IO::Name(GS::UniString(name.data(), static_cast<USize>(name.size()))));
}

TEST(Location, EmptyNamesNothing) {
    const IO::Location empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(PathOf(empty), u"");
    EXPECT_TRUE(IO::Location(GS::UniString()).IsEmpty());
}

TEST(Location, PathIsKeptAsGiven) {
    const IO::Location location(GS::UniString(u"/var/lib/kavelo/Caf\u00e9 \U0001F600"));
    EXPECT_FALSE(location.IsEmpty());
    EXPECT_EQ(PathOf(location), u"/var/lib/kavelo/Caf\u00e9 \U0001F600");
}

TEST(Location, FolderAndNameAreJoinedByOneSlash) {
    EXPECT_EQ(PathOf(Join(u"/tmp/data", u"KaveloArchiCapture.jpeg")), u"/tmp/data/KaveloArchiCapture.jpeg");
    EXPECT_EQ(PathOf(Join(u"/tmp/data/", u"a")), u"/tmp/data/a");
    EXPECT_EQ(PathOf(Join(u"/", u"a")), u"/a");
    EXPECT_EQ(PathOf(Join(u"/tmp", u"..a")), u"/tmp/..a"); // dots, yet neither "." nor ".."
    EXPECT_EQ(PathOf(Join(u"/tmp", u".hidden \u00e9")), u"/tmp/.hidden \u00e9");
}

TEST(Location, NameThatIsNoSingleComponentGivesTheEmptyLocation) {
    for (const std::u16string& name :
         {std::u16string(), std::u16string(u"."), std::u16string(u".."), std::u16string(u"a/b"),
          std::u16string(u"/etc"), std::u16string(u"a\0b", 3)}) {
        EXPECT_TRUE(Join(u"/tmp", name).IsEmpty()) << std::string(name.begin(), name.end());
    }
}

// Names that stay in their folder on POSIX but leave it, or open a device, on Windows.
TEST(Location, NamesWindowsReadsAsAnotherPlaceAreRefusedThere) {
#ifdef _WIN32
    constexpr bool windows = true;
#else
    constexpr bool windows = false;
#endif
    const struct {
        std::u16string name;
        bool refusedOnWindows;
    } cases[] = {
        {u"a\\b", true},
        {u"..\\x", true},
        {u"C:x", true},
        {u"a:stream", true},
        {u"CON", true},
        {u"nul", true},
        {u"NUL.txt", true},
        {u"Aux.tar.gz", true},
        {u"prn .jpeg", true},
        {u"com1", true},
        {u"LPT9.x", true},
        {u"COM\u00b9", true},
        {u"conout$", true},
        {u"name.", true},
        {u"name ", true},
        {u"...", true},
        {u"a*b", true},
        {u"a?b", true},
        {u"a<b>", true},
        {u"a|b", true},
        {u"a\"b", true},
        {u"tab\tname", true},
        {u"CONSOLE", false},
        {u"COM0", false},
        {u"COM10", false},
        {u"LPT", false},
        {u"NULL.txt", false},
        {u"x.NUL", false},
        {u" CON", false},
        {u".hidden", false},
        {u"Caf\u00e9 \u6771\u4eac", false},
        {u"KaveloArchiCapture.jpeg", false},
    };
    for (const auto& c : cases) {
        const std::string shown(c.name.begin(), c.name.end());
        EXPECT_EQ(Join(u"/tmp", c.name).IsEmpty(), windows && c.refusedOnWindows) << shown;
    }
}

TEST(Location, EmptyFolderGivesTheEmptyLocation) {
    const IO::Location joined(IO::Location(), IO::Name(GS::UniString("KaveloArchiCapture.jpeg")));
    EXPECT_TRUE(joined.IsEmpty());
}

TEST(Location, CopiesAreIndependent) {
    IO::Location original(GS::UniString("/a"));
    const IO::Location copy(original);
    IO::Location assigned;
    assigned = original;
    original = IO::Location(GS::UniString("/b"));
    EXPECT_EQ(PathOf(copy), u"/a");
    EXPECT_EQ(PathOf(assigned), u"/a");
    const IO::Name name(GS::UniString("x.jpeg"));
    const IO::Name nameCopy(name);
    EXPECT_EQ(nameCopy.ToString(), GS::UniString("x.jpeg"));
}

} // namespace
