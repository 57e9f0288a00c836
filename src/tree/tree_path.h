#pragma once

#include <string>
#include <vector>

namespace tir::tree {

// The names of a group path: the text is trimmed, '/' counts as '\', tab, line feed and carriage
// return count as spaces, and the '\'-separated names are trimmed with empty ones dropped.
std::vector<std::string> SplitGroupPath(const std::string& aPath);

// The names joined back with '\' (the path as handed to the base's procedure).
std::string JoinGroupPath(const std::vector<std::string>& aSegments);

}  // namespace tir::tree
