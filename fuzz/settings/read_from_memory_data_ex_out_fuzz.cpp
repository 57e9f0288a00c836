#include "fuzz/settings/read_from_memory_fuzz.h"
#include "settings/data_ex_out.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzReadFromMemory<tir::TDataExOut>(data, size);
}
