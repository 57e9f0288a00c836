#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tir::import {

// What a load did to one kind of object.
struct TLoadKindCounts {
  std::int64_t inserted = 0, updated = 0, identical = 0, refused = 0;
};

// Per kind counts in the order the kinds were met, and every reference that was not found.
struct TLoadReport {
  std::vector<std::pair<std::string, TLoadKindCounts>> kinds;
  std::vector<std::string> missing;

  TLoadKindCounts& Kind(const std::string& pKind);
  void Missing(std::string pText) { missing.push_back(std::move(pText)); }
  void Clear() { *this = TLoadReport{}; }
  // One line per kind, then the missing references (at most pMaxMissing of them).
  std::string Text(std::size_t pMaxMissing) const;
};

}  // namespace tir::import
