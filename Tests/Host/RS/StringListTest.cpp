#include "RSHost.hpp"
#include "TestImages.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace RSTest;
using RS::Host::ParseStringList;
using RS::Host::ResourceError;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::string ErrorOf(const Bytes& data) {
    try {
        ParseStringList(data);
    } catch (const ResourceError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(ParseStringList, NumbersItemsInOrder) {
    EXPECT_THAT(ParseStringList(StringList({"KAVELO", "Open toolbar^32104^E3"})),
                ElementsAre("KAVELO", "Open toolbar^32104^E3"));
}

TEST(ParseStringList, KeepsEmptyItemsAndEightBitBytes) {
    EXPECT_THAT(ParseStringList(StringList({"", "Caf\xC3\xA9", ""})), ElementsAre("", "Caf\xC3\xA9", ""));
}

TEST(ParseStringList, ReadsAListWithoutItems) {
    EXPECT_TRUE(ParseStringList(StringList({})).empty());
}

TEST(ParseStringList, RefusesAByteCountThatDoesNotMatch) {
    Bytes tooMany = StringList({"abc", "de"});
    PokeLE(tooMany, 0, 10, 4);
    EXPECT_THAT(ErrorOf(tooMany), HasSubstr("counts 10 bytes but holds 7"));

    Bytes tooFew = StringList({"abc", "de"});
    PokeLE(tooFew, 0, 4, 4);
    EXPECT_THAT(ErrorOf(tooFew), HasSubstr("counts 4 bytes but holds 7"));
}

TEST(ParseStringList, RefusesDataShorterThanItsCount) {
    EXPECT_THAT(ErrorOf({}), HasSubstr("shorter than its 4-byte count"));
    EXPECT_THAT(ErrorOf(Bytes(3, std::byte{0})), HasSubstr("shorter than its 4-byte count"));
}

TEST(ParseStringList, RefusesAnUnterminatedLastItem) {
    Bytes data;
    PutLE(data, 5, 4);
    Append(data, Text("ab"));
    data.push_back(std::byte{0});
    Append(data, Text("cd"));
    EXPECT_THAT(ErrorOf(data), HasSubstr("ends inside an unterminated string"));
}
