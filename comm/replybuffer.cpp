#include "comm/replybuffer.h"

#include <algorithm>
#include <cstring>

ReplyBuffer::ReplyBuffer() : bytes_(kSize, '\0') {}

uint16_t ReplyBuffer::type() const
{
    uint16_t value;
    std::memcpy(&value, bytes_.data(), sizeof(value));
    return value;
}

uint16_t ReplyBuffer::status() const
{
    uint16_t value;
    std::memcpy(&value, bytes_.data() + 2, sizeof(value));
    return value;
}

QByteArray ReplyBuffer::text() const
{
    const char* text = bytes_.data() + 4;
    return QByteArray(text, static_cast<int>(::strnlen(text, kTextLimit)));
}

void ReplyBuffer::fill(uint16_t type, uint16_t status, const QByteArray& text)
{
    std::fill(bytes_.begin(), bytes_.end(), '\0');
    std::memcpy(bytes_.data(), &type, sizeof(type));
    std::memcpy(bytes_.data() + 2, &status, sizeof(status));
    const size_t length = std::min<size_t>(static_cast<size_t>(text.size()), kTextLimit - 1);
    std::memcpy(bytes_.data() + 4, text.constData(), length);
}
