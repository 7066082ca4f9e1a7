#pragma once

#include <string>

// Our own framing on the daemon and user-station command sockets: an 8-byte header (version 1,
// protocol, body length; each in network byte order) followed by the body, no terminator.

// Protocol of a command executed in the user's desktop session by the user station.
constexpr int kProtoExecuteCmd = 4102;
// Largest body recv_message_from_unsocket accepts; a longer announced length is refused unread.
constexpr unsigned int kMaxFrameBody = 1024 * 1024;

// Connects a stream unix socket to `path`. Returns the descriptor; -1 when no socket can be
// created; -2 when the connection fails (also for a path longer than an address holds, and for a
// listener that is neither root nor our own user: nothing may be sent to it).
int init_unix_socket(const char* path);

// Writes one frame. 0; -1 negative descriptor; -2 no memory for the frame; -3 write failed.
int send_message_to_unsocket(int fd, int proto, const std::string& body);

// Reads one frame into `body`. Returns the body length (0 for an empty body); -1 negative
// descriptor; -2, -3, -4 when the version, protocol or length cannot be read (-4 also for a length
// over kMaxFrameBody); -5 no memory for the body; -6 the body cannot be read whole.
int recv_message_from_unsocket(int fd, std::string& body);

// Has the user station run `cmd` in the desktop session. 0 when sent; -1 empty command; -2 the
// station's socket cannot be reached; otherwise the send result.
int corvis_station_execute_cmd(const char* cmd);
