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
    EXPECT_EQ(PathOf(Join(u"/tmp", u"...")), u"/tmp/...");
    EXPECT_EQ(PathOf(Join(u"/tmp", u".hidden \u00e9")), u"/tmp/.hidden \u00e9");
}

TEST(Location, NameThatIsNoSingleComponentGivesTheEmptyLocation) {
    for (const std::u16string& name :
         {std::u16string(), std::u16string(u"."), std::u16string(u".."), std::u16string(u"a/b"),
          std::u16string(u"/etc"), std::u16string(u"a\0b", 3)}) {
        EXPECT_TRUE(Join(u"/tmp", name).IsEmpty()) << std::string(name.begin(), name.end());
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
