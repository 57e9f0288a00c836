#pragma once

#include <cstdint>

namespace tir::json {

// The type of a value in the tree.
enum class Kind : std::uint8_t { kNull, kBool, kInt, kNumber, kString, kObject, kArray };

}  // namespace tir::json
