#pragma once

#include <string>

namespace tir::db {

// Full Unicode upper-casing of UTF-8 text (Latin, Latin-1 and Extended-A accented letters, Greek,
// Cyrillic with Ukrainian letters, …). Invalid UTF-8 bytes are kept as they are.
std::string UnicodeUpper(const std::string& utf8);

// UTF-8 <-> UTF-16 conversion; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const std::u16string& utf16);

}  // namespace tir::db
