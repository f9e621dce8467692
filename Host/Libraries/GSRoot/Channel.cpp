#include "GSRoot/Channel.hpp"

#include "TextBuffer.hpp"
#include "TextCoding.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace GS {

IBinaryChannel::~IBinaryChannel() = default;

IProtocolX::~IProtocolX() = default;

namespace {

class NetworkByteOrderProtocol final : public IProtocolX {
public:
    bool IsNetworkByteOrder() const override { return true; }
};

} // namespace

const IProtocolX& GetNetworkByteOrderIProtocolX() {
    static const NetworkByteOrderProtocol protocol;
    return protocol;
}

IChannelX::IChannelX(IBinaryChannel& source, const IProtocolX& byteOrder)
    : channel(source), protocol(byteOrder) {}

IChannelX::~IChannelX() = default;

namespace IBinaryChannelUtilities {
namespace {

// Room asked of the channel at least once the buffer is full; reads grow with the buffer, so a
// multi-megabyte body arrives in a few dozen large reads.
constexpr std::size_t MinimumRoom = 64 * 1024;

// The bytes of one string as they arrive. Private to this call and freed before it returns, so it
// uses the C heap, whose realloc moves a large block by remapping its pages: growing neither
// copies the bytes nor touches fresh pages for them again.
class ByteBuffer {
public:
    // At least minimum free bytes at End(), growing by doubling. Throws std::bad_alloc.
    void Reserve(std::size_t minimum) {
        if (capacity - size >= minimum) {
            return;
        }
        const std::size_t grown = std::max(2 * capacity, size + minimum);
        void* larger = std::realloc(bytes.get(), grown);
        if (larger == nullptr) {
            throw std::bad_alloc();
        }
        static_cast<void>(bytes.release()); // realloc has taken the old block over
        bytes.reset(static_cast<char*>(larger));
        capacity = grown;
    }

    char* End() { return bytes.get() + size; }
    std::size_t Room() const { return capacity - size; }
    void Commit(std::size_t count) { size += count; }
    const char* Data() const { return bytes.get(); }
    std::size_t Size() const { return size; }

private:
    struct Release {
        void operator()(char* block) const { std::free(block); }
    };

    std::unique_ptr<char, Release> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;
};

// One Read into the room at destination. A channel that reports more than it was asked for has
// written past the room; that is refused.
GSErrCode ReadSome(IBinaryChannel& channel, char* destination, std::size_t room, std::size_t& delivered) {
    const USize asked = static_cast<USize>(std::min<std::size_t>(room, MaxUSize));
    const USize count = channel.Read(destination, asked);
    if (count > asked) {
        return ErrChannelOverrun;
    }
    delivered = count;
    return NoError;
}

// Fills count bytes at destination, retrying short reads; the end of the channel first is an error.
GSErrCode ReadFully(IBinaryChannel& channel, char* destination, std::size_t count) {
    while (count > 0) {
        std::size_t delivered = 0;
        const GSErrCode error = ReadSome(channel, destination, count, delivered);
        if (error != NoError) {
            return error;
        }
        if (delivered == 0) {
            return ErrChannelEnded;
        }
        destination += delivered;
        count -= delivered;
    }
    return NoError;
}

// Byte by byte, so nothing after the terminator is taken from the channel.
GSErrCode ReadNullTerminated(IBinaryChannel& channel, ByteBuffer& buffer) {
    for (;;) {
        char byte = 0;
        const GSErrCode error = ReadFully(channel, &byte, 1);
        if (error != NoError) {
            return error;
        }
        if (byte == '\0') {
            return NoError;
        }
        if (buffer.Size() == TextBuffer::MaxLength) {
            return ErrStringTooLong;
        }
        buffer.Reserve(MinimumRoom);
        *buffer.End() = byte;
        buffer.Commit(1);
    }
}

GSErrCode ReadLengthPrefixed(IBinaryChannel& channel, const IProtocolX& protocol, ByteBuffer& buffer) {
    unsigned char prefix[sizeof(UInt32)];
    GSErrCode error = ReadFully(channel, reinterpret_cast<char*>(prefix), sizeof(prefix));
    if (error != NoError) {
        return error;
    }
    UInt32 length = 0;
    for (std::size_t i = 0; i < sizeof(prefix); ++i) {
        const std::size_t significance = protocol.IsNetworkByteOrder() ? sizeof(prefix) - 1 - i : i;
        length |= UInt32(prefix[i]) << (8 * significance);
    }
    if (length > TextBuffer::MaxLength) {
        return ErrStringTooLong;
    }
    // The buffer grows only as bytes arrive, so a hostile length cannot make it allocate up front.
    for (std::size_t remaining = length; remaining > 0;) {
        const std::size_t chunk = std::min(remaining, std::max(MinimumRoom, buffer.Size()));
        buffer.Reserve(chunk);
        error = ReadFully(channel, buffer.End(), chunk);
        if (error != NoError) {
            return error;
        }
        buffer.Commit(chunk);
        remaining -= chunk;
    }
    return NoError;
}

GSErrCode ReadUntilEnd(IBinaryChannel& channel, ByteBuffer& buffer) {
    for (;;) {
        buffer.Reserve(MinimumRoom);
        std::size_t delivered = 0;
        const GSErrCode error = ReadSome(channel, buffer.End(), buffer.Room(), delivered);
        if (error != NoError) {
            return error;
        }
        if (delivered == 0) {
            return NoError;
        }
        buffer.Commit(delivered);
        if (buffer.Size() > TextBuffer::MaxLength) {
            return ErrStringTooLong;
        }
    }
}

GSErrCode ReadBytes(IChannelX& channel, Int32 serializationType, ByteBuffer& buffer) {
    switch (serializationType) {
    case NullTerminated:
        return ReadNullTerminated(channel.GetChannel(), buffer);
    case LengthPrefixed:
        return ReadLengthPrefixed(channel.GetChannel(), channel.GetProtocol(), buffer);
    case UntilEndOfChannel:
        return ReadUntilEnd(channel.GetChannel(), buffer);
    default:
        return ErrBadSerializationType;
    }
}

} // namespace

GSErrCode ReadUniStringAsUTF8(IChannelX& channel, UniString& result, Int32 serializationType,
                              bool skipByteOrderMark, bool stopAtInvalidSequence) {
    ByteBuffer buffer;
    const GSErrCode error = ReadBytes(channel, serializationType, buffer);
    if (error != NoError) {
        return error;
    }
    static constexpr char ByteOrderMark[] = {'\xEF', '\xBB', '\xBF'};
    const char* text = buffer.Data();
    std::size_t size = buffer.Size();
    if (skipByteOrderMark && size >= sizeof(ByteOrderMark) &&
        std::memcmp(text, ByteOrderMark, sizeof(ByteOrderMark)) == 0) {
        text += sizeof(ByteOrderMark);
        size -= sizeof(ByteOrderMark);
    }
    const std::size_t valid = stopAtInvalidSequence ? TextCoding::ValidUtf8Length(text, size) : size;
    result = UniString(text, static_cast<USize>(valid), CC_UTF8);
    return valid == size ? NoError : ErrInvalidUTF8;
}

} // namespace IBinaryChannelUtilities

} // namespace GS
