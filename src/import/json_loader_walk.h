#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "import/exchange_values.h"
#include "import/json_loader_report.h"

namespace tir::import {

// Content of a parsed text that the loaders cannot use: a value of the wrong JSON type, a text
// that is too long, a group tree nested too deep. Ends the running operation like a database
// error does.
class EJsonLoadError : public std::runtime_error {
 public:
  explicit EJsonLoadError(const std::string& message) : std::runtime_error(message) {}
  // Damage of the file: what() is the note's English text.
  explicit EJsonLoadError(TLoadNote note)
      : std::runtime_error(note.Text()), mNote(std::move(note)) {}
  // The damage as a note; of kind kCount for other errors.
  const TLoadNote& Note() const { return mNote; }

 private:
  TLoadNote mNote;
};

using JValue = rapidjson::Value;

// One member of the top-level object: where its value starts in the text and, for an array,
// where each element starts (npos for an element that is not an object).
struct TTopValue {
  std::string key;
  rapidjson::Type type = rapidjson::kNullType;
  std::size_t offset = 0;
  std::vector<std::size_t> elements;
};

// A text that was parsed whole and found well-formed. Values are read back one top-level object
// or one array element at a time, so a large file costs little more memory than its text.
struct TJsonText {
  std::string text;
  std::vector<TTopValue> members;
};

// Parses pText whole; on success fills pOut and returns an empty string, otherwise the parser's
// message with the byte offset.
std::string ParseJsonText(std::string pText, TJsonText& pOut);

// Longest text value accepted (bytes of UTF-8); longer ones are refused as damage.
constexpr std::size_t kMaxJsonTextBytes = 1u << 20;

// The first top-level member named pKey whose value is an object or array; nullptr when the
// text has none (or is not an object).
const TTopValue* FindTop(const TJsonText* pText, const char* pKey);
// Every such member, in text order: a key that repeats is read each time it occurs.
std::vector<const TTopValue*> FindAllTop(const TJsonText* pText, const char* pKey);
// The value of a top-level object member, parsed into pDoc; nullptr when there is none.
const JValue* TopObject(const TJsonText* pText, const char* pKey, rapidjson::Document& pDoc);

// Where a value sits, for messages: "goods[12].name".
struct TWhere {
  const char* array;
  std::size_t index;
  std::string_view key;
  std::string Text() const;
};

// Calls pFn(object, index) for each element of an array until pFn returns false; an element that
// is not an object is refused.
template <typename Fn>
void ForEachObject(const JValue& pArray, const char* pName, Fn pFn) {
  if (!pArray.IsArray()) throw EJsonLoadError(TLoadNote{TLoadNoteKind::kArrayExpected, {pName}});
  std::size_t index = 0;
  for (const JValue& element : pArray.GetArray()) {
    if (!element.IsObject()) {
      throw EJsonLoadError(
          TLoadNote{TLoadNoteKind::kObjectExpected, {TWhere{pName, index, {}}.Text()}});
    }
    if (!pFn(element, index)) return;
    ++index;
  }
}

// Parses the element of a top-level array that starts at pOffset into pDoc.
const JValue& ParseElement(const TJsonText& pText, std::size_t pOffset, rapidjson::Document& pDoc);

// The same over a top-level array, one parsed element at a time.
template <typename Fn>
void ForEachObject(const TJsonText& pText, const TTopValue& pArray, const char* pName, Fn pFn) {
  if (pArray.type != rapidjson::kArrayType) {
    throw EJsonLoadError(TLoadNote{TLoadNoteKind::kArrayExpected, {pName}});
  }
  for (std::size_t index = 0; index < pArray.elements.size(); ++index) {
    if (pArray.elements[index] == std::string::npos) {
      throw EJsonLoadError(
          TLoadNote{TLoadNoteKind::kObjectExpected, {TWhere{pName, index, {}}.Text()}});
    }
    rapidjson::Document doc;
    if (!pFn(ParseElement(pText, pArray.elements[index], doc), index)) return;
  }
}

std::string_view KeyOf(const JValue::Member& pMember);

// Typed reads of one member value; a value of another JSON type raises EJsonLoadError.
std::string ReadText(const JValue& v, const TWhere& w);
std::u16string ReadWide(const JValue& v, const TWhere& w);
std::int32_t ReadInt(const JValue& v, const TWhere& w);
std::int64_t ReadInt64(const JValue& v, const TWhere& w);
long double ReadExt(const JValue& v, const TWhere& w);
// The compact date text "yyyymmddhhnnss"; false for an empty text (nothing sent). A text that is
// not such a date reads as -1 and is noted in pReport.
bool ReadDate(const JValue& v, const TWhere& w, double& pDate, TLoadReport& pReport);
// A GUID text. A text that is not 36 characters long reads as no GUID and is noted in pReport;
// a 36-character text that is not a GUID raises EJsonLoadError.
void ReadGuid(const JValue& v, const TWhere& w, TJSGIUD& pGuid, TLoadReport& pReport);

// Counts a row dropped for want of a GUID in pCounts and names it among the notes.
void SkipRow(TLoadReport& pReport, TLoadKindCounts& pCounts, const TWhere& pWhere);

// The host's short date-time text "dd.mm.yyyy hh:nn:ss".
std::string ShortDateTime(double pWhen);

// A goods line of a document or a list: its goods GUID, sum and quantity (other keys ignored).
void ReadGoodsLine(const JValue& pLine, const TWhere& pWhere, TJSGIUD& pGuid, long double& pSum,
                   long double& pQtty, TLoadReport& pReport);

// Every GUID that objects of the top-level arrays of one key (or of one group tree, children
// included) repeat: the later position, the earlier one and the GUID. Elements are loaded in
// order, so the later one wins.
std::vector<TLoadNote> FindRepeatedGuids(const TJsonText* pText);

}  // namespace tir::import
