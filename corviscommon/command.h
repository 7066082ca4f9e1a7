#pragma once

#include <functional>
#include <string>

// Shell commands run through "/bin/sh -c" with their standard output read back.

// 0 with the command's standard output in `out`, or -1. With timeout_ms below 1 the whole output
// is read through a pipe-open and nothing bounds the wait. Otherwise the command runs in a child
// of its own process group and is killed with SIGKILL (group and all) once timeout_ms have passed
// (errno ETIMEDOUT, result -1, the output read so far kept in `out`). Every path closes the pipe
// and reaps the child.
int cmdGetOutput(const std::string& cmd, std::string& out, int timeout_ms = 0);

// 0 when the command ran and exited with status 0, else -1 (logged).
int posix_system(const std::string& cmd);

// `text` as one word for "/bin/sh": in single quotes, each inner single quote written as '\''.
std::string shellQuote(const std::string& text);

// How the host checks run their commands: 0 and the output, or -1. The host functions use
// hostCommandRunner(); tests hand in their own to play a host.
using CommandRunner = std::function<int(const std::string& cmd, std::string& out)>;

// cmdGetOutput with kHostCommandTimeoutMs, so that no host query hangs its caller.
constexpr int kHostCommandTimeoutMs = 5000;
CommandRunner hostCommandRunner();

// Trims blanks, tabs, carriage returns and line feeds at both ends.
std::string trimmedText(const std::string& text);
