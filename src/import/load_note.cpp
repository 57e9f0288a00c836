#include "import/load_note.h"

namespace tir::import {

namespace {

const char* EnglishTemplate(TLoadNoteKind pKind) {
  switch (pKind) {
    case TLoadNoteKind::kRefNotFound:
      return "%1 %2: %3 %4 not in %5";
    case TLoadNoteKind::kUserRefNotFound:
      return "users %1: %2 not in %3";
    case TLoadNoteKind::kComponentNotFound:
      return "%1: component %2 not in tirGoods";
    case TLoadNoteKind::kRecipeGoodsNotFound:
      return "%1: goods %2 not in tirGoods";
    case TLoadNoteKind::kGoodsPlaceholder:
      return "docs %1: goods %2 not in tirGoods (placeholder created)";
    case TLoadNoteKind::kOrderLineSkipped:
      return "mobile order %1: goods %2 not in tirGoods (line skipped)";
    case TLoadNoteKind::kCookOneObject:
      return "ordercookdoc: one object (lid, orderposindoc, orderstatus) was expected";
    case TLoadNoteKind::kCookNoLine:
      return "ordercookdoc: document %1 has no line %2";
    case TLoadNoteKind::kCookNoDocument:
      return "ordercookdoc: document %1 not found";
    case TLoadNoteKind::kRowWithoutGuid:
      return "%1: no GUID, row skipped";
    case TLoadNoteKind::kNotADate:
      return "%1: %2 is not a date, read as -1";
    case TLoadNoteKind::kNotAGuid:
      return "%1: %2 is not a GUID, read as none";
    case TLoadNoteKind::kRepeatedGuid:
      return "warning: %1.guid repeats %2 (%3); the later one is loaded";
    case TLoadNoteKind::kWrongType:
      return "%1: %2 was expected, found %3";
    case TLoadNoteKind::kTextTooLong:
      return "%1: a text of %2 bytes is longer than %3";
    case TLoadNoteKind::kOutOfRange32:
      return "%1: %2 is out of the 32-bit range";
    case TLoadNoteKind::kBadGuid:
      return "%1: \"%2\" is not a GUID";
    case TLoadNoteKind::kArrayExpected:
      return "%1: an array was expected";
    case TLoadNoteKind::kObjectExpected:
      return "%1: an object was expected";
    case TLoadNoteKind::kCount:
      break;
  }
  return "%1 %2 %3 %4 %5";
}

}  // namespace

std::string TLoadNote::Text() const { return FormatNote(EnglishTemplate(kind), args); }

std::string FormatNote(std::string_view pTemplate, const std::vector<std::string>& pArgs) {
  std::string out;
  out.reserve(pTemplate.size() + 64);
  for (std::size_t i = 0; i < pTemplate.size(); ++i) {
    const char c = pTemplate[i];
    if (c == '%' && i + 1 < pTemplate.size() && pTemplate[i + 1] >= '1' &&
        pTemplate[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(pTemplate[++i] - '1');
      if (n < pArgs.size()) out += pArgs[n];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tir::import
