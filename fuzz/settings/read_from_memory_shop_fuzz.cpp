#include "fuzz/settings/read_from_memory_fuzz.h"
#include "settings/json_one_send.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzReadFromMemory<tir::TJSONOneSend>(data, size);
}
