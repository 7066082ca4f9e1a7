#include "comm/reqbuffer.h"

#include <algorithm>
#include <cstring>

ReqBuffer::ReqBuffer() : bytes_(new char[kSize]())
{
}

ReqBuffer::ReqBuffer(uint16_t type, const QByteArray& param) : bytes_(new char[kSize])
{
    fill(type, param);
}

void ReqBuffer::fill(uint16_t type, const QByteArray& param)
{
    std::memcpy(bytes_.get(), &type, sizeof(type));
    // Copied like a C string: up to the first NUL, at most 64500 bytes.
    const size_t length = ::strnlen(param.constData(), std::min<size_t>(static_cast<size_t>(param.size()), kParamLimit));
    std::memcpy(bytes_.get() + 2, param.constData(), length);
    // Only the rest is cleared: the parameter's bytes are written over anyway.
    std::memset(bytes_.get() + 2 + length, 0, kSize - 2 - length);
}

uint16_t ReqBuffer::typeOf(const char* buffer)
{
    uint16_t type;
    std::memcpy(&type, buffer, sizeof(type));
    return type;
}

QByteArray ReqBuffer::paramOf(const char* buffer)
{
    const char* param = buffer + 2;
    return QByteArray(param, static_cast<int>(::strnlen(param, kParamLimit)));
}
