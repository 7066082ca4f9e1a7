#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

// The client service's reply: 64500 bytes; bytes 0-1 reply type (0: no reply), bytes 2-3 status,
// both in host order; from byte 4 the NUL-terminated text.
class ReplyBuffer
{
public:
    static constexpr int kSize = 64500;
    static constexpr int kTextLimit = kSize - 4;

    ReplyBuffer();
    // For a reply about to be received whole: the bytes are not cleared first, and are read only
    // once the whole buffer has been received.
    struct Unset {};
    explicit ReplyBuffer(Unset);

    char* data() { return bytes_.get(); }
    const char* data() const { return bytes_.get(); }
    int size() const { return kSize; }

    uint16_t type() const;
    uint16_t status() const;
    // The text up to its first NUL, never past the buffer.
    QByteArray text() const;

    // Builds a reply (the service's side); the text is cut to fit with its terminator.
    void fill(uint16_t type, uint16_t status, const QByteArray& text);

private:
    std::unique_ptr<char[]> bytes_;
};
