#pragma once

// corvismsg: the messaging library of the workbench and its sibling services.
//
// Wire formats (BE = network byte order, "host" = the host's own order):
//
// 1. Request to a service (US_Client::SendMessage / RecvMessage). One stream connection per
//    exchange. The client writes the whole 64502-byte request buffer: bytes 0-1 message type
//    (host), bytes 2-64501 the parameter text, NUL-padded. A service that answers writes the whole
//    64500-byte reply buffer on the same connection: bytes 0-1 reply type (host, 0 = no reply),
//    bytes 2-3 status (host), from byte 4 the NUL-terminated text; then it closes. Services that
//    do not answer read the request and close. The library moves the buffers as they are; it does
//    not look inside them.
//
// 2. Daemon client (TCP_Client). One stream connection from Init to Destroy; every SendMessage
//    writes one frame: module (u16 BE), command (u16 BE), data length (u32 BE), the data.
//
// 3. Pushed message (US_Client::PostMessage to a US_Server). One message per connection:
//    version (u16 BE, 1), code (u16 BE), body length (u32 BE), then the body: command code
//    (u16 host), argument (u16 host), then the text, which runs to the end of the body. The
//    server reads the message, hands it to its PostDeal and closes the connection; the sender
//    takes a clean end of stream as "delivered" and a reset as "refused".
//
// Choices of this library:
//
// - Receive time-out: RecvMessage, PostMessage's wait for delivery and any send that cannot make
//   progress give up after corvismsg::receiveTimeoutMs() (30 s unless set, or overridden at start
//   by the environment variable CORVISMSG_RECV_TIMEOUT_MS). A hung service must not hold a
//   request, a button or a thread forever. Partial reads and EINTR are handled; a peer that
//   closes before the whole buffer arrived is a failure.
// - US_Server removes a stale socket file before it binds, and only one that is ours: a socket of
//   our own uid on which nobody accepts. A plain file, another user's socket or a socket that is
//   still served stays, and the server does not listen (ListenError() and ListenOwnerUid() say
//   why). It gives its socket mode 0666 so that the sibling services (root and the desktop user)
//   can connect; who may talk is decided by the peer check below. It reads every connection with
//   a bound: a message longer than US_ServerOptions::maxMessage (64512 bytes with its header) or
//   with another version than 1 is dropped and its connection closed, and the server goes on.
//   It reads exactly what the header announces and never hands over more than was received.
//   Connections are served side by side on one thread; a connection that does not complete its
//   message within US_ServerOptions::readTimeoutMs is closed, so a slow or silent client never
//   stops the others. Each drop is logged, at most one line a second with the count of those
//   left out.
// - Peer check, both ways: a US_Server accepts a connection only from uid 0 or its own effective
//   uid (SO_PEERCRED); any other peer is closed unread with a WARNING naming its uid and pid (at
//   most one such line a second, with the count of those left out). A client (US_Client,
//   TCP_Client) sends nothing to a listener that is neither root nor its own uid: InitConn and
//   Init fail (errno EACCES) after an ERROR line naming the listener's uid and pid.

#include "platform/corvismsg/msgoptions.h"
#include "platform/corvismsg/postdeal.h"
#include "platform/corvismsg/tcp_client.h"
#include "platform/corvismsg/us_client.h"
#include "platform/corvismsg/us_server.h"
