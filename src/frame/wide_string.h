#pragma once

#include <cstdint>
#include <string>

namespace tir::frame {

// A length-prefixed UTF-16 string of the shared string allocator: a 4-byte byte count in front of
// the characters, a 16-bit zero after them, the pointer pointing at the first character. Null is
// the empty string. Records that cross the module boundary hold the raw pointer; whoever receives
// one by reference in a reply owns it and frees it with WideFree.
using WideString = char16_t*;

// The allocator is the host kit's TirSysAllocStringLen / TirSysFreeString, looked up at run time in
// the process's global symbol scope (the module never links the host kit). A process without the
// host kit (unit tests of the module's libraries) gets a built-in allocator of the same layout.
WideString WideAlloc(const char16_t* chars, std::uint32_t length);
WideString WideAlloc(const std::u16string& text);
WideString WideAllocUtf8(const std::string& utf8);
// Frees the string; null is allowed. (Fields of packed records cannot bind to references, so the
// helpers take and return values: `rec.fName = WideReplaceUtf8(rec.fName, "text");`.)
void WideFree(WideString str);
// A copy of a WideString (length from its prefix; embedded zeros are kept).
WideString WideCopy(const char16_t* wide);
// Frees `old` and returns a copy of `utf8`.
WideString WideReplaceUtf8(WideString old, const std::string& utf8);

std::uint32_t WideLength(const char16_t* str);  // characters; 0 for null
std::u16string WideToU16(const char16_t* str);
std::string WideToUtf8(const char16_t* str);
// Zero-terminated UTF-16 text (PWideChar) to UTF-8; null gives the empty text.
std::string PWideToUtf8(const char16_t* str);

// True when the host kit's allocator was found in the process.
bool WideUsesHostAllocator();

}  // namespace tir::frame
