#pragma once

#include <string>
#include <vector>

// -1 when version a is older than b, 0 when equal, 1 when newer. Every character that is not a
// digit counts as a ".", only the first 255 characters count, a missing piece is "0"; the first
// pieces compare as numbers (zeros added in front), later ones as decimal fractions (zeros added
// behind), so 1.5 is newer than 1.10 and 1.2 equals 1.2.0. A null text reads as empty.
int SWVersionCompare(const char* a, const char* b);

// The pieces of `text` between the separators, empty pieces included.
void split_string_by_separator(const std::string& text, std::vector<std::string>& out, char separator);

// The pieces joined without separator.
std::string concatenate_string(const std::vector<std::string>& pieces);

// `length` (decimal text) characters drawn with rand() from `alphabet`; empty when the alphabet
// is empty or the length is not a number from 1 to 1048576.
void GetRandomString(const std::string& alphabet, const std::string& length, std::string& out);
