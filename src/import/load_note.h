#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tir::import {

// What one line of a load's report says: a kind with its arguments. The arguments are names and
// values that stay as they are in every language (positions in the file such as "goods[3].guid",
// GUIDs, table and column names, numbers, quoted values); each kind is worded per language by
// whoever shows the report. The comment of each kind lists its arguments.
enum class TLoadNoteKind : std::uint8_t {
  kRefNotFound,          // section, row GUID, column or key, GUID, table
  kUserRefNotFound,      // position, GUID, table
  kComponentNotFound,    // position, GUID
  kRecipeGoodsNotFound,  // position, GUID
  kGoodsPlaceholder,     // document GUID, goods GUID
  kOrderLineSkipped,     // order GUID, goods GUID
  kCookOneObject,        // none
  kCookNoLine,           // document id, line
  kCookNoDocument,       // document id
  kRowWithoutGuid,       // position
  kNotADate,             // position, quoted value
  kNotAGuid,             // position, quoted value
  kRepeatedGuid,         // later position, earlier position, GUID
  // Damage that refuses the whole file:
  kWrongType,       // position, what was expected, what was found ("a text", "an object", ...)
  kTextTooLong,     // position, bytes, longest accepted
  kOutOfRange32,    // position, number
  kBadGuid,         // position, text
  kArrayExpected,   // section
  kObjectExpected,  // position
  kCount
};

struct TLoadNote {
  TLoadNoteKind kind = TLoadNoteKind::kCount;
  std::vector<std::string> args;

  // The English wording (the command line's).
  std::string Text() const;
};

// pTemplate with each %1 .. %9 replaced by that argument (empty when there is none).
std::string FormatNote(std::string_view pTemplate, const std::vector<std::string>& pArgs);

}  // namespace tir::import
