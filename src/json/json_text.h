#pragma once

// Reading and writing the text form of a tree (internal to the library).

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "json/json_store.h"

namespace tir::json::detail {

// Parses `text` into `store`; the root must be of kind `rootKind` (object or array). Raises
// JsonError with the line and column of the fault.
Node ParseText(Store& store, std::string_view text, Kind rootKind);

std::string WriteText(const Node& root, bool indent);
// Writes to an open file; false when a write failed.
bool WriteFile(const Node& root, bool indent, std::FILE* file);

// Conversions shared by the getters of objects and arrays.
std::string NodeString(const Node& node);
std::int64_t NodeInt64(const Node& node);
double NodeNumber(const Node& node);

}  // namespace tir::json::detail
