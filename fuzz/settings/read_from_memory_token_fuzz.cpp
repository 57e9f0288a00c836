#include "fuzz/settings/read_from_memory_fuzz.h"
#include "settings/tir_token_one.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzReadFromMemory<tir::TTirTokenOne>(data, size);
}
