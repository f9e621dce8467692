#include "GSRoot/Channel.hpp"

#include "GSRoot/GSException.hpp"
#include "TextOf.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace GS::IBinaryChannelUtilities;
using GS::UniString;

// Delivers its bytes at most chunk at a time and remembers what each Read asked for.
class TestChannel : public GS::IBinaryChannel {
public:
    explicit TestChannel(std::string content, std::size_t maxChunk = SIZE_MAX)
        : bytes(std::move(content)), chunk(maxChunk) {}

    USize Read(char* destination, USize nBytes) override {
        requests.push_back(nBytes);
        const std::size_t count = std::min({std::size_t(nBytes), chunk, bytes.size() - position});
        std::memcpy(destination, bytes.data() + position, count);
        position += count;
        return static_cast<USize>(count);
    }

    std::string Rest() const { return bytes.substr(position); }

    std::vector<USize> requests;

private:
    std::string bytes;
    std::size_t chunk;
    std::size_t position = 0;
};

// Delivers some bytes, then fails as a dropped connection does.
class FailingChannel : public GS::IBinaryChannel {
public:
    USize Read(char* destination, USize nBytes) override {
        if (delivered) {
            throw GS::GSException("connection reset by peer");
        }
        delivered = true;
        const USize count = std::min<USize>(nBytes, 3);
        std::memcpy(destination, "abc", count);
        return count;
    }

private:
    bool delivered = false;
};

// Claims more bytes than it was asked for.
class OverrunChannel : public GS::IBinaryChannel {
public:
    USize Read(char* /*destination*/, USize nBytes) override { return nBytes + 1; }
};

class LittleEndianProtocol : public GS::IProtocolX {
public:
    bool IsNetworkByteOrder() const override { return false; }
};

struct ReadResult {
    GSErrCode error;
    std::u16string text;
};

ReadResult ReadString(GS::IBinaryChannel& source, Int32 type, const GS::IProtocolX& protocol,
                      bool skipByteOrderMark = false, bool stopAtInvalidSequence = false) {
    GS::IChannelX channel(source, protocol);
    UniString result("unchanged");
    const GSErrCode error =
        ReadUniStringAsUTF8(channel, result, type, skipByteOrderMark, stopAtInvalidSequence);
    return {error, UnitsOf(result)};
}

ReadResult ReadString(GS::IBinaryChannel& source, Int32 type) {
    return ReadString(source, type, GS::GetNetworkByteOrderIProtocolX());
}

const std::u16string Unchanged = u"unchanged";

TEST(ChannelProtocol, NetworkByteOrderIsOneSharedObject) {
    EXPECT_TRUE(GS::GetNetworkByteOrderIProtocolX().IsNetworkByteOrder());
    EXPECT_EQ(&GS::GetNetworkByteOrderIProtocolX(), &GS::GetNetworkByteOrderIProtocolX());
    TestChannel source("");
    const GS::IChannelX channel(source, GS::GetNetworkByteOrderIProtocolX());
    EXPECT_EQ(&channel.GetChannel(), &source);
    EXPECT_EQ(&channel.GetProtocol(), &GS::GetNetworkByteOrderIProtocolX());
}

TEST(ReadUntilEndOfChannel, TakesEverythingAlsoOneByteAtATime) {
    TestChannel source("{\"id\":\"abc\"}\n\xC3\xA9\xF0\x9F\x98\x80 second line\n", 1);
    EXPECT_EQ(ReadString(source, UntilEndOfChannel).text,
              u"{\"id\":\"abc\"}\n\u00e9\U0001F600 second line\n");
    EXPECT_EQ(source.Rest(), "");
}

TEST(ReadUntilEndOfChannel, EmptyChannelGivesAnEmptyString) {
    TestChannel source("");
    EXPECT_EQ(ReadString(source, UntilEndOfChannel).error, NoError);
    EXPECT_EQ(ReadString(source, UntilEndOfChannel).text, u"");
}

TEST(ReadUntilEndOfChannel, MegabytesArriveInFewGrowingReads) {
    std::string body(12 << 20, 'Q');
    body[0] = 'F';
    body.back() = 'L';
    TestChannel source(body);
    const ReadResult read = ReadString(source, UntilEndOfChannel);
    ASSERT_EQ(read.error, NoError);
    ASSERT_EQ(read.text.size(), body.size());
    EXPECT_EQ(read.text.front(), u'F');
    EXPECT_EQ(read.text.back(), u'L');
    EXPECT_LT(source.requests.size(), 12u);
    EXPECT_GE(*std::max_element(source.requests.begin(), source.requests.end()), 4u << 20);
}

TEST(ReadUntilEndOfChannel, ByteOrderMarkIsDroppedOnlyWhenAsked) {
    TestChannel withMark("\xEF\xBB\xBFtext");
    EXPECT_EQ(ReadString(withMark, UntilEndOfChannel, GS::GetNetworkByteOrderIProtocolX(), true).text,
              u"text");
    TestChannel keptMark("\xEF\xBB\xBFtext");
    EXPECT_EQ(ReadString(keptMark, UntilEndOfChannel).text, u"\ufefftext");
    TestChannel shortText("\xEF\xBB");
    EXPECT_EQ(ReadString(shortText, UntilEndOfChannel, GS::GetNetworkByteOrderIProtocolX(), true).text,
              u"\ufffd");
}

TEST(ReadUntilEndOfChannel, IllFormedUtf8IsReplacedOrStopsTheText) {
    TestChannel replaced("ab\xFF"
                         "cd");
    EXPECT_EQ(ReadString(replaced, UntilEndOfChannel).text, u"ab\ufffdcd");
    TestChannel stopped("a\xEF\xBF\xBD"
                        "b\xC3"
                        "cd");
    const ReadResult read =
        ReadString(stopped, UntilEndOfChannel, GS::GetNetworkByteOrderIProtocolX(), false, true);
    EXPECT_EQ(read.error, ErrInvalidUTF8);
    EXPECT_EQ(read.text, u"a\ufffdb"); // a literal U+FFFD is well-formed
    TestChannel wellFormed("a\xC3\xA9");
    EXPECT_EQ(
        ReadString(wellFormed, UntilEndOfChannel, GS::GetNetworkByteOrderIProtocolX(), false, true).error,
        NoError);
}

TEST(ReadNullTerminated, StopsAtTheZeroByteAndLeavesTheRest) {
    TestChannel source(std::string("abc\0def", 7), 2);
    EXPECT_EQ(ReadString(source, NullTerminated).text, u"abc");
    EXPECT_EQ(source.Rest(), "def");
    TestChannel empty(std::string("\0x", 2));
    const ReadResult read = ReadString(empty, NullTerminated);
    EXPECT_EQ(read.error, NoError);
    EXPECT_EQ(read.text, u"");
}

TEST(ReadNullTerminated, EndWithoutTerminatorIsAnError) {
    TestChannel source("abc");
    const ReadResult read = ReadString(source, NullTerminated);
    EXPECT_EQ(read.error, ErrChannelEnded);
    EXPECT_EQ(read.text, Unchanged);
}

TEST(ReadLengthPrefixed, ReadsTheCountInTheProtocolsByteOrder) {
    TestChannel network(std::string("\0\0\0\x03"
                                    "abcXYZ",
                                    10),
                        1);
    EXPECT_EQ(ReadString(network, LengthPrefixed).text, u"abc");
    EXPECT_EQ(network.Rest(), "XYZ");
    TestChannel little(std::string("\x03\0\0\0"
                                   "abcXYZ",
                                   10));
    EXPECT_EQ(ReadString(little, LengthPrefixed, LittleEndianProtocol()).text, u"abc");
    const std::string twoHundredFiftySix(256, 'z');
    TestChannel longer(std::string("\0\0\x01\0", 4) + twoHundredFiftySix);
    EXPECT_EQ(ReadString(longer, LengthPrefixed).text, std::u16string(256, u'z'));
    TestChannel zero(std::string("\0\0\0\0", 4));
    const ReadResult read = ReadString(zero, LengthPrefixed);
    EXPECT_EQ(read.error, NoError);
    EXPECT_EQ(read.text, u"");
}

TEST(ReadLengthPrefixed, ShortPrefixOrBodyIsAnError) {
    TestChannel shortPrefix(std::string("\0\0", 2));
    EXPECT_EQ(ReadString(shortPrefix, LengthPrefixed).error, ErrChannelEnded);
    TestChannel shortBody(std::string("\0\0\0\x05"
                                      "abc",
                                      7));
    const ReadResult read = ReadString(shortBody, LengthPrefixed);
    EXPECT_EQ(read.error, ErrChannelEnded);
    EXPECT_EQ(read.text, Unchanged);
}

TEST(ReadLengthPrefixed, HostileLengthsDoNotAllocateAhead) {
    TestChannel huge("\xFF\xFF\xFF\xFE"
                     "abc");
    EXPECT_EQ(ReadString(huge, LengthPrefixed).error, ErrChannelEnded);
    EXPECT_LE(*std::max_element(huge.requests.begin(), huge.requests.end()), 64u * 1024);
    TestChannel tooLong("\xFF\xFF\xFF\xFF"
                        "abc");
    EXPECT_EQ(ReadString(tooLong, LengthPrefixed).error, ErrStringTooLong);
}

TEST(ReadUniStringAsUTF8Failures, UnknownTypeReadsNothing) {
    TestChannel source("abc");
    const ReadResult read = ReadString(source, 3);
    EXPECT_EQ(read.error, ErrBadSerializationType);
    EXPECT_EQ(read.text, Unchanged);
    EXPECT_TRUE(source.requests.empty());
}

TEST(ReadUniStringAsUTF8Failures, ChannelExceptionsPassThrough) {
    for (const Int32 type : {NullTerminated, LengthPrefixed, UntilEndOfChannel}) {
        FailingChannel source;
        GS::IChannelX channel(source, GS::GetNetworkByteOrderIProtocolX());
        UniString result("unchanged");
        try {
            ReadUniStringAsUTF8(channel, result, type, false, false);
            ADD_FAILURE() << "no exception for type " << type;
        } catch (const GS::GSException& failure) {
            EXPECT_EQ(UnitsOf(failure.GetMessage()), u"connection reset by peer");
        }
        EXPECT_EQ(UnitsOf(result), Unchanged);
    }
}

TEST(ReadUniStringAsUTF8Failures, ChannelThatOverrunsIsRefused) {
    for (const Int32 type : {NullTerminated, LengthPrefixed, UntilEndOfChannel}) {
        OverrunChannel source;
        const ReadResult read = ReadString(source, type);
        EXPECT_EQ(read.error, ErrChannelOverrun) << "type " << type;
        EXPECT_EQ(read.text, Unchanged);
    }
}

} // namespace
