#include "settings/scramble.h"

#include <cstdint>
#include <vector>

#include "db/unicode_case.h"
#include "settings/base64.h"
#include "settings/crc32.h"
#include "settings/random_source.h"

namespace tir {

namespace {

constexpr std::size_t kCrcSize = 4;

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t GetLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

}  // namespace

void XorPointerStr(void* aData, std::size_t aSize, std::string_view aKey) {
  auto* p = static_cast<std::uint8_t*>(aData);
  std::size_t j = 0;
  for (std::size_t k = 0; k < aSize; ++k) {
    const std::size_t i = k + 1;
    std::uint8_t mask = static_cast<std::uint8_t>((2 * i) & 0xFF) ^
                        static_cast<std::uint8_t>((i >> 7) & 0xFF) ^
                        static_cast<std::uint8_t>((i >> 15) & 0xFF);
    if (!aKey.empty()) {
      mask ^= static_cast<std::uint8_t>(aKey[j]);
      j = (j + 1 == aKey.size()) ? 0 : j + 1;
    }
    p[k] ^= mask;
  }
}

std::string XorStrStr(std::string_view aData, std::string_view aKey) {
  std::string out(aData);
  XorPointerStr(out.data(), out.size(), aKey);
  return out;
}

std::string gEncodeStr(const std::u16string& aText) {
  const std::size_t n = 2 + static_cast<std::size_t>(gRandom(12));
  std::string key(n, '\0');
  for (char& k : key) k = static_cast<char>(1 + gRandom(254));  // 1..254

  std::vector<std::uint8_t> block;
  block.reserve(1 + n + aText.size() * 2 + kCrcSize);
  block.push_back(static_cast<std::uint8_t>(16 + n));
  block.insert(block.end(), key.begin(), key.end());
  const std::vector<std::uint8_t> payload = Utf16LeBytes(aText);
  const std::size_t payloadStart = block.size();
  block.insert(block.end(), payload.begin(), payload.end());
  XorPointerStr(block.data() + payloadStart, payload.size(), key);
  PutLe32(block, CRC32Data(block.data(), block.size()));
  return EncodeBase64(block.data(), block.size());
}

std::string gEncodeStr(std::string_view aUtf8Text) {
  return gEncodeStr(db::Utf8ToUtf16(std::string(aUtf8Text)));
}

std::u16string gDecodeStrW(std::string_view aText) {
  std::vector<std::uint8_t> block;
  DecodeBase64(aText, block);
  if (block.size() <= 7) return {};
  const std::uint8_t header = block[0];
  const std::size_t n = header & 0x0F;
  if ((header >> 4) != 1 || n < 1) return {};
  if (1 + n + kCrcSize > block.size()) return {};
  const std::size_t body = block.size() - kCrcSize;
  if (GetLe32(block.data() + body) != CRC32Data(block.data(), body)) return {};
  const std::size_t payloadSize = body - 1 - n;
  if (payloadSize % 2 != 0) return {};
  const std::string key(reinterpret_cast<const char*>(block.data() + 1), n);
  std::uint8_t* payload = block.data() + 1 + n;
  XorPointerStr(payload, payloadSize, key);
  return Utf16FromLeBytes(payload, payloadSize);
}

std::string gDecodeStr(std::string_view aText) { return db::Utf16ToUtf8(gDecodeStrW(aText)); }

}  // namespace tir
