// Utf8OfWide / Utf8OfPWide on the kit's C conversions.
#include "host/kit/wide_text.h"

#include "host/kit/tir_host_loader.h"

namespace tir::hostkit {
namespace {

template <typename Convert>
std::string Converted(const TirChar16* text, Convert convert) {
  const std::size_t size = convert(text, nullptr, 0);
  std::string out(size + 1, '\0');
  convert(text, out.data(), out.size());
  out.resize(size);
  return out;
}

}  // namespace

std::string Utf8OfWide(const TirChar16* wide) { return Converted(wide, TirHostWideToUtf8); }

std::string Utf8OfPWide(const TirChar16* text) { return Converted(text, TirHostPWideToUtf8); }

}  // namespace tir::hostkit
