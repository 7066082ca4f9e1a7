#pragma once

#include <string>

// Takes the single-instance lock on the pid file: a non-blocking exclusive write lock on the
// whole file, then the pid text and a NUL. The descriptor stays open, and the lock held, for the
// life of the process. Returns true when the lock is ours; false after logging why not (the
// file cannot be opened, another workbench holds the lock, or the file belongs to another user
// than ours or root: then the WARNING line, also written to standard error, names its owner).
bool singletonCheck();

// The pid file path, re-rooted like every product path.
std::string singletonLockPath();
