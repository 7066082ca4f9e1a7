#pragma once

namespace corvismsg {

// Sizes of the request and reply buffers of wire format 1, and the largest pushed message
// (header included) a US_Server accepts by default.
inline constexpr int kRequestSize = 64502;
inline constexpr int kReplySize = 64500;
inline constexpr int kMaxPushMessage = 64512;
inline constexpr int kHeaderSize = 8;

// How long a client waits for its peer (receive, delivery, a send that cannot proceed), in
// milliseconds. 30000 unless CORVISMSG_RECV_TIMEOUT_MS is set at start or a caller sets it.
int receiveTimeoutMs();
void setReceiveTimeoutMs(int ms);

}  // namespace corvismsg
