#pragma once

#include <string>
#include <string_view>

namespace tir::json {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// `text` with every ill-formed sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view text);

}  // namespace tir::json
