#pragma once

// INI primitives shared by the configuration store and the sibling programs.
//
// Lines are read with a limit of INI_LINE_MAX bytes: a longer line is taken in pieces of at most
// INI_LINE_MAX - 1 bytes, each parsed as a line of its own (by the reader and the writer alike).
// Section and key names compare ignoring ASCII case; values compare exactly.
// Only regular files are read or written: a directory, FIFO or device at the path counts as a
// file that cannot be opened. A UTF-8 byte-order mark at the start of the file is skipped: it
// does not hide the first line (the writer keeps it in place).

#define INI_LINE_MAX 10240
// Files larger than this (4 MiB) are refused by the readers and the writer like files that
// cannot be opened.
#define INI_MAX_FILE (4 * 1024 * 1024)

// 1 when the line is empty after trimming or starts with '#' or ';', else 0.
int LineIsComment(const char* line);

// 0 and the name between '[' and ']' when the trimmed line is a section header; -1 when it is
// not one; -3 when the name does not fit `outSize` (the name is cut to fit).
int GetSectionName(const char* line, char* out, int outSize);

// 0 with the trimmed key and the value (up to ';' or '#', trimmed, one pair of surrounding double
// quotes removed) when the line is an item; -1 when it is not an item or the key does not fit;
// -3 when the value does not fit (the key is still filled in).
int GetItem(const char* line, char* keyOut, int keySize, char* valueOut, int valueSize);

// 0 and the value; -1 not found, does not fit, or the section ended first; -2 unopenable file.
int inifile_read(const char* path, const char* section, const char* key, char* out, int outSize);

// inifile_read, then the value trimmed into `out`, or `defaultValue` on any failure.
int ReadStringFromIni(const char* path, const char* section, const char* key, char* out, int outSize,
                      const char* defaultValue);

// inifile_read, then the base-10 value when the text is an integer literal, else `defaultValue`.
int ReadIntFromIni(const char* path, const char* section, const char* key, int& out, int defaultValue);

// Inserts or replaces one key, keeping the rest of the file byte for byte. A replaced line is
// padded with spaces to the old line's length and the tail is rewritten in place without
// truncation, so a concurrent reader sees the old or the new line. Always returns 0; a file that
// cannot be opened or written is left as it was.
int inifile_write(const char* path, const char* section, const char* key, const char* value,
                  const char* comment);
