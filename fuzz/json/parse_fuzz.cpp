// Object::Parse on arbitrary bytes: a text that parses writes back to a text that parses to the
// same tree, and the written text is stable from then on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/json_error.h"
#include "json/json_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input size, so that any read past it is caught.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  tir::json::Object tree;
  try {
    tree = tir::json::Object::Parse(std::string_view(bytes));
  } catch (const tir::json::JsonError&) {
    return 0;
  }
  const std::string first = tree.ToText(false);
  const tir::json::Object again = tir::json::Object::Parse(first);
  if (again.ToText(false) != first) __builtin_trap();
  (void)again.ToText(true);
  return 0;
}
