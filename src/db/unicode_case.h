#pragma once

#include <string>

namespace tir::db {

// Full Unicode upper-casing of UTF-8 text (Latin, Latin-1 and Extended-A accented letters, Greek,
// Cyrillic with Ukrainian letters, …). Invalid UTF-8 bytes are kept as they are.
// Uses the C library's Unicode case tables (the "C.UTF-8" locale); when that locale is missing
// it falls back to UnicodeUpperBuiltin.
std::string UnicodeUpper(const std::string& utf8);

// Upper-casing from the layer's own table: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic
// (with the Ukrainian letters). Other characters are kept as they are.
std::string UnicodeUpperBuiltin(const std::string& utf8);
char32_t UpperCaseBuiltin(char32_t c);

// True when the C library's Unicode case tables are available.
bool UnicodeLocaleAvailable();

// Appends the UTF-8 form of one code point (a lone surrogate is written as it is).
void EncodeUtf8(char32_t cp, std::string& out);

// UTF-8 <-> UTF-16 conversion; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const std::u16string& utf16);

}  // namespace tir::db
