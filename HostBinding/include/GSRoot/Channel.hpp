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

// Reads a string of UTF-8 bytes into result. Failures of the channel throw GS::GSException.
GSErrCode ReadUniStringAsUTF8(IChannelX& channel, UniString& result, Int32 serializationType,
                              bool skipByteOrderMark, bool stopAtInvalidSequence);

} // namespace IBinaryChannelUtilities

} // namespace GS
