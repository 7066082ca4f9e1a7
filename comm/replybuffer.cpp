#include "comm/replybuffer.h"

#include <algorithm>
#include <cstring>

ReplyBuffer::ReplyBuffer() : bytes_(new char[kSize]()) {}

ReplyBuffer::ReplyBuffer(Unset) : bytes_(new char[kSize]) {}

uint16_t ReplyBuffer::type() const
{
    uint16_t value;
    std::memcpy(&value, bytes_.get(), sizeof(value));
    return value;
}

uint16_t ReplyBuffer::status() const
{
    uint16_t value;
    std::memcpy(&value, bytes_.get() + 2, sizeof(value));
    return value;
}

QByteArray ReplyBuffer::text() const
{
    const char* text = bytes_.get() + 4;
    return QByteArray(text, static_cast<int>(::strnlen(text, kTextLimit)));
}

void ReplyBuffer::fill(uint16_t type, uint16_t status, const QByteArray& text)
{
    std::memset(bytes_.get(), 0, kSize);
    std::memcpy(bytes_.get(), &type, sizeof(type));
    std::memcpy(bytes_.get() + 2, &status, sizeof(status));
    const size_t length = std::min<size_t>(static_cast<size_t>(text.size()), kTextLimit - 1);
    std::memcpy(bytes_.get() + 4, text.constData(), length);
}
