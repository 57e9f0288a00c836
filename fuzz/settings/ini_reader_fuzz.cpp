// The INI reader on arbitrary text: every read works, and a written value reads back after the
// text is parsed again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tir::TIniText ini(text);
  for (const std::string& section : ini.SectionNames()) {
    (void)ini.Read(section, "GUIDCODE");
    (void)ini.SectionExists(section);
  }
  ini.Write("MAIN", "GUIDCODE", "value-1");
  const tir::TIniText reparsed(ini.Text());
  if (reparsed.Read("main", "guidcode").value_or("") != "value-1") __builtin_trap();
  ini.EraseSection("MAIN");
  if (tir::TIniText(ini.Text()).SectionExists("MAIN")) __builtin_trap();
  return 0;
}
