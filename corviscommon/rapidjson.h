#pragma once

// RapidJSON for the project. Version 1.1 (Debian 12) adds an offset to the null pointer of its
// internal stack before the stack's first allocation: harmless, but UBSan's pointer-overflow
// check stops there. The check is left out of RapidJSON's own functions only.
// Standard headers first: templates they define inside the attribute's region would be warned about.
#include <cstring>
#include <istream>
#include <string>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("pointer-overflow"))), apply_to = function)
#endif
#include <rapidjson/document.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#if defined(__clang__)
#pragma clang attribute pop
#endif
