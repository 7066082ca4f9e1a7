#pragma once

// One received message as US_Server hands it to its handler.
struct us_post_t {
    int fd;     // the connection it came on
    char* msg;  // the message as received (header and body, or the fixed-size request)
    int len;    // how many bytes msg holds; never more than arrived
};

// The handler of a US_Server. Process() is called on the server's thread, once per message.
class PostDeal
{
public:
    virtual ~PostDeal();

    virtual int Process(us_post_t* post) = 0;

    // Closes the connection of the message being processed. The server closes a one-message
    // connection after Process() anyway; this lets a handler end it early or end a stream.
    void CloseConnection();

    // Takes the connection of the message being processed from the server (blocking again): the
    // handler answers and closes it itself, possibly later and on another thread. -1 outside
    // Process().
    int DetachConnection();
};
