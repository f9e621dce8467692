#pragma once

#include "GSRoot/Definitions.hpp"
#include "GSRoot/UniString.hpp"

namespace GS {

// A source of bytes, such as the body of an HTTP response. Read answers the count delivered, 0 at
// the end; failures throw GS::GSException.
class IBinaryChannel {
public:
    virtual ~IBinaryChannel();
    virtual USize Read(char* destination, USize nBytes) = 0;
};

// How multi-byte values are ordered on a channel.
class IProtocolX {
public:
    virtual ~IProtocolX();
    virtual bool IsNetworkByteOrder() const = 0;
};

const IProtocolX& GetNetworkByteOrderIProtocolX();

// A typed reader over a binary channel.
class IChannelX {
public:
    IChannelX(IBinaryChannel& channel, const IProtocolX& protocol);
    IChannelX(const IChannelX&) = delete;
    IChannelX& operator=(const IChannelX&) = delete;
    ~IChannelX();

    IBinaryChannel& GetChannel() const { return channel; }
    const IProtocolX& GetProtocol() const { return protocol; }

private:
    IBinaryChannel& channel;
    const IProtocolX& protocol;
};

namespace IBinaryChannelUtilities {

enum StringSerializationType : Int32 {
    NullTerminated = 0,
    LengthPrefixed = 1,
    UntilEndOfChannel = 2 // everything that is left on the channel
};

// Answers of ReadUniStringAsUTF8 other than NoError.
constexpr GSErrCode ErrChannelEnded = GSErrCode(0x81000101);  // inside the string or its length
constexpr GSErrCode ErrStringTooLong = GSErrCode(0x81000102); // more bytes than a UniString holds
constexpr GSErrCode ErrBadSerializationType = GSErrCode(0x81000103);
constexpr GSErrCode ErrInvalidUTF8 = GSErrCode(0x81000104);    // stopped at an ill-formed sequence
constexpr GSErrCode ErrChannelOverrun = GSErrCode(0x81000105); // Read reported more than asked

// Reads a string of UTF-8 bytes into result: up to a zero byte (consumed, not kept), a 32-bit byte
// count in the protocol's byte order followed by that many bytes, or the rest of the channel. A
// leading byte order mark is dropped when asked. Ill-formed UTF-8 becomes U+FFFD, or, when asked to
// stop there, result gets the text before it and the answer is ErrInvalidUTF8. On any other
// failure result is left as it was. Failures of the channel throw GS::GSException.
GSErrCode ReadUniStringAsUTF8(IChannelX& channel, UniString& result, Int32 serializationType,
                              bool skipByteOrderMark, bool stopAtInvalidSequence);

} // namespace IBinaryChannelUtilities

} // namespace GS
