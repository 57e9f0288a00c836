#include "db/unicode_case.h"

#include <locale.h>  // newlocale, towupper_l
#include <clocale>
#include <cwctype>
#include <utility>

namespace tir::db {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `pos`; returns false (and leaves `pos`) on an invalid one.
bool DecodeUtf8(const std::string& s, std::size_t& pos, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  std::size_t len = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return false;
  }
  if (pos + len > s.size()) return false;
  for (std::size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += len;
  return true;
}

locale_t Utf8Locale() {
  static const locale_t kLocale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (l == static_cast<locale_t>(nullptr)) {
      l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
    }
    return l;
  }();
  return kLocale;
}

// Pairs where the upper-case letter is even and the lower-case the next odd code point.
bool InEvenOddPairs(char32_t c) {
  return (c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) ||
         (c >= 0x014A && c <= 0x0177) || (c >= 0x0460 && c <= 0x0481) ||
         (c >= 0x048A && c <= 0x04BF) || (c >= 0x04D0 && c <= 0x052F) ||
         (c >= 0x03D8 && c <= 0x03EF);
}

// Pairs where the upper-case letter is odd and the lower-case the next even code point.
bool InOddEvenPairs(char32_t c) {
  return (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E) ||
         (c >= 0x04C1 && c <= 0x04CE);
}

// Letters outside the regular ranges, as {lower, upper}.
constexpr std::pair<char32_t, char32_t> kSpecialUpper[] = {
    {0x3C2, 0x3A3},  // final sigma
    {0x3AC, 0x386},
    {0x3AD, 0x388},
    {0x3AE, 0x389},
    {0x3AF, 0x38A},
    {0x3CC, 0x38C},
    {0x3CD, 0x38E},
    {0x3CE, 0x38F},
    {0x371, 0x370},
    {0x373, 0x372},
    {0x377, 0x376},
    {0x37B, 0x3FD},
    {0x37C, 0x3FE},
    {0x37D, 0x3FF},
    {0x3D7, 0x3CF},
    {0x3F2, 0x3F9},
    {0x3F3, 0x37F},
    {0x3F8, 0x3F7},
    {0x3FB, 0x3FA},
    // symbol forms of beta, theta, phi, pi, kappa, rho, epsilon
    {0x3D0, 0x392},
    {0x3D1, 0x398},
    {0x3D5, 0x3A6},
    {0x3D6, 0x3A0},
    {0x3F0, 0x39A},
    {0x3F1, 0x3A1},
    {0x3F5, 0x395},
    {0x4CF, 0x4C0},  // Cyrillic palochka
};

template <typename Upper>
std::string MapUtf8(const std::string& utf8, Upper upper) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      out += (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : static_cast<char>(b);
      ++pos;
      continue;
    }
    char32_t cp = 0;
    if (!DecodeUtf8(utf8, pos, cp)) {
      out += utf8[pos++];  // invalid byte kept as it is
      continue;
    }
    EncodeUtf8(upper(cp), out);
  }
  return out;
}

}  // namespace

void EncodeUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t UpperCaseBuiltin(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c < 0x100) {
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c == 0xB5) return 0x39C;
    return c;
  }
  if (c == 0x131) return 'I';
  if (c == 0x17F) return 'S';
  if (InEvenOddPairs(c)) return (c & 1) ? c - 1 : c;
  if (InOddEvenPairs(c)) return (c & 1) ? c : c - 1;
  // Greek
  if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return c - 0x20;
  for (const auto& [lower, upper] : kSpecialUpper) {
    if (lower == c) return upper;
  }
  // Cyrillic
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

bool UnicodeLocaleAvailable() { return Utf8Locale() != static_cast<locale_t>(nullptr); }

std::string UnicodeUpperBuiltin(const std::string& utf8) { return MapUtf8(utf8, UpperCaseBuiltin); }

std::string UnicodeUpper(const std::string& utf8) {
  locale_t loc = Utf8Locale();
  if (loc == static_cast<locale_t>(nullptr)) return UnicodeUpperBuiltin(utf8);
  return MapUtf8(utf8, [loc](char32_t c) {
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc));
  });
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    if (!DecodeUtf8(utf8, pos, cp)) {
      cp = kReplacement;
      ++pos;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    EncodeUtf8(cp, out);
  }
  return out;
}

}  // namespace tir::db
