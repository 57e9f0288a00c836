#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "import/load_note.h"

namespace tir::import {

// What a load did to one kind of object.
struct TLoadKindCounts {
  std::int64_t inserted = 0, updated = 0, identical = 0, refused = 0;
  // Rows dropped because they carry no usable GUID; the reasons are among the notes.
  std::int64_t skipped = 0;
};

// Per kind counts in the order the kinds were met, every reference that was not found, and the
// notes: values that could not be read as what they claim to be (a GUID read as none, a date
// read as -1, a row skipped for want of a GUID) and warnings about the text (repeated GUIDs).
struct TLoadReport {
  std::vector<std::pair<std::string, TLoadKindCounts>> kinds;
  std::vector<TLoadNote> missing;
  std::vector<TLoadNote> notes;

  TLoadKindCounts& Kind(const std::string& pKind);
  void Missing(TLoadNoteKind pKind, std::vector<std::string> pArgs) {
    missing.push_back({pKind, std::move(pArgs)});
  }
  void Note(TLoadNoteKind pKind, std::vector<std::string> pArgs) {
    notes.push_back({pKind, std::move(pArgs)});
  }
  void Clear() { *this = TLoadReport{}; }
  // One line per kind, then the first pMaxNotes notes and the missing references (at most
  // pMaxMissing of them).
  std::string Text(std::size_t pMaxMissing, std::size_t pMaxNotes = 10) const;
};

}  // namespace tir::import
