#include "frame/wide_string.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "db/unicode_case.h"

namespace tir::frame {

namespace {

using AllocFn = char16_t* (*)(const char16_t*, std::uint32_t);
using FreeFn = void (*)(char16_t*);

// The built-in allocator: the same layout as the host kit's, on malloc.
char16_t* LocalAlloc(const char16_t* chars, std::uint32_t length) {
  const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(char16_t);
  auto* block = static_cast<unsigned char*>(std::malloc(4 + bytes + sizeof(char16_t)));
  if (block == nullptr) return nullptr;
  const std::uint32_t prefix = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &prefix, 4);
  auto* text = reinterpret_cast<char16_t*>(block + 4);
  if (chars != nullptr && length > 0) {
    std::memcpy(text, chars, bytes);
  } else if (length > 0) {
    std::memset(text, 0, bytes);
  }
  text[length] = u'\0';
  return text;
}

void LocalFree(char16_t* str) {
  if (str != nullptr) std::free(reinterpret_cast<unsigned char*>(str) - 4);
}

struct Allocator {
  AllocFn alloc = LocalAlloc;
  FreeFn free = LocalFree;
  bool host = false;
};

const Allocator& TheAllocator() {
  static const Allocator allocator = [] {
    Allocator a;
    void* allocSym = dlsym(RTLD_DEFAULT, "TirSysAllocStringLen");
    void* freeSym = dlsym(RTLD_DEFAULT, "TirSysFreeString");
    if (allocSym != nullptr && freeSym != nullptr) {
      a.alloc = reinterpret_cast<AllocFn>(allocSym);
      a.free = reinterpret_cast<FreeFn>(freeSym);
      a.host = true;
    }
    return a;
  }();
  return allocator;
}

}  // namespace

WideString WideAlloc(const char16_t* chars, std::uint32_t length) {
  return TheAllocator().alloc(chars, length);
}

WideString WideAlloc(const std::u16string& text) {
  if (text.empty()) return nullptr;
  return WideAlloc(text.data(), static_cast<std::uint32_t>(text.size()));
}

WideString WideAllocUtf8(const std::string& utf8) { return WideAlloc(db::Utf8ToUtf16(utf8)); }

void WideFree(WideString str) {
  if (str != nullptr) TheAllocator().free(str);
}

WideString WideCopy(const char16_t* wide) {
  if (wide == nullptr) return nullptr;
  return WideAlloc(wide, WideLength(wide));
}

WideString WideReplaceUtf8(WideString old, const std::string& utf8) {
  WideString copy = WideAllocUtf8(utf8);
  WideFree(old);
  return copy;
}

std::uint32_t WideLength(const char16_t* str) {
  if (str == nullptr) return 0;
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(str) - 4, 4);
  return bytes / sizeof(char16_t);
}

std::u16string WideToU16(const char16_t* str) {
  if (str == nullptr) return {};
  return std::u16string(str, WideLength(str));
}

std::string WideToUtf8(const char16_t* str) { return db::Utf16ToUtf8(WideToU16(str)); }

std::string PWideToUtf8(const char16_t* str) {
  if (str == nullptr) return {};
  return db::Utf16ToUtf8(std::u16string(str));
}

bool WideUsesHostAllocator() { return TheAllocator().host; }

}  // namespace tir::frame
