#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

// The request buffer sent to a service: 64502 bytes, zero-filled; bytes 0-1 the message type in
// host order, from byte 2 the parameter text, cut to 64500 bytes and NUL-padded.
class ReqBuffer
{
public:
    static constexpr int kSize = 64502;
    static constexpr int kParamLimit = 64500;

    ReqBuffer();
    // Made and filled at once: the buffer is written once.
    ReqBuffer(uint16_t type, const QByteArray& param);
    void fill(uint16_t type, const QByteArray& param);

    char* data() { return bytes_.get(); }
    const char* data() const { return bytes_.get(); }
    int size() const { return kSize; }

    // Reads a received request back (the service's side).
    static uint16_t typeOf(const char* buffer);
    // The parameter text up to its first NUL, at most 64500 bytes.
    static QByteArray paramOf(const char* buffer);

private:
    std::unique_ptr<char[]> bytes_;
};
