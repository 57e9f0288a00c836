#include "import/json_loader_walk.h"

#include <cmath>
#include <limits>

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <cstdio>

#include "db/date_time.h"
#include "db/unicode_case.h"
#include "settings/date_forms.h"
#include "settings/value_errors.h"

namespace tir::import {
namespace {

const char* TypeName(const JValue& v) {
  switch (v.GetType()) {
    case rapidjson::kNullType:
      return "null";
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
      return "a boolean";
    case rapidjson::kObjectType:
      return "an object";
    case rapidjson::kArrayType:
      return "an array";
    case rapidjson::kStringType:
      return "a text";
    case rapidjson::kNumberType:
      return "a number";
  }
  return "a value";
}

[[noreturn]] void Refuse(const TWhere& w, const char* expected, const JValue& v) {
  throw EJsonLoadError(TLoadNote{TLoadNoteKind::kWrongType, {w.Text(), expected, TypeName(v)}});
}

}  // namespace

std::string ShortDateTime(double pWhen) {
  const db::CivilTime t = db::DecodeDateTime(pWhen);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return buf;
}

void ReadGoodsLine(const JValue& pLine, const TWhere& pWhere, TJSGIUD& pGuid, long double& pSum,
                   long double& pQtty, TLoadReport& pReport) {
  for (const auto& m : pLine.GetObject()) {
    if (m.value.IsNull()) continue;
    const TWhere w{pWhere.array, pWhere.index, KeyOf(m)};
    if (w.key == "guid")
      ReadGuid(m.value, w, pGuid, pReport);
    else if (w.key == "sum")
      pSum = ReadExt(m.value, w);
    else if (w.key == "qtty")
      pQtty = ReadExt(m.value, w);
  }
}

void SkipRow(TLoadReport& pReport, TLoadKindCounts& pCounts, const TWhere& pWhere) {
  ++pCounts.skipped;
  pReport.Note(TLoadNoteKind::kRowWithoutGuid, {pWhere.Text()});
}

std::string TWhere::Text() const {
  std::string s = array ? array : "";
  if (array) s += "[" + std::to_string(index) + "]";
  if (!key.empty()) s += "." + std::string(key);
  return s;
}

namespace {

// Records where every top-level value and every element of a top-level array starts while the
// reader checks the whole text.
struct TIndexer : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TIndexer> {
  const char* begin = nullptr;
  const rapidjson::MemoryStream* stream = nullptr;
  std::vector<TTopValue>* members = nullptr;
  std::string key;
  int depth = 0;
  bool rootIsObject = false;

  // The bracket the reader stands on (iterative parsing) or has just taken.
  std::size_t Opening() const {
    std::size_t p = stream->Tell();
    if (begin[p] == '{' || begin[p] == '[') return p;
    while (p > 0 && begin[p - 1] != '{' && begin[p - 1] != '[') --p;
    return p - 1;
  }
  void Value(rapidjson::Type type, std::size_t offset) {
    if (depth == 1 && rootIsObject) {
      members->push_back({key, type, offset, {}});
    } else if (depth == 2 && rootIsObject && members->back().type == rapidjson::kArrayType) {
      members->back().elements.push_back(type == rapidjson::kObjectType ? offset
                                                                        : std::string::npos);
    }
  }
  bool Default() {
    Value(rapidjson::kNullType, 0);
    return true;
  }
  bool Key(const char* str, rapidjson::SizeType length, bool) {
    if (depth == 1) key.assign(str, length);
    return true;
  }
  bool StartObject() {
    if (depth == 0) rootIsObject = true;
    Value(rapidjson::kObjectType, Opening());
    ++depth;
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    --depth;
    return true;
  }
  bool StartArray() {
    Value(rapidjson::kArrayType, Opening());
    ++depth;
    return true;
  }
  bool EndArray(rapidjson::SizeType) {
    --depth;
    return true;
  }
};

constexpr unsigned kParseFlags =
    rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag;

}  // namespace

std::string ParseJsonText(std::string pText, TJsonText& pOut) {
  pOut.members.clear();
  pOut.text = std::move(pText);
  std::size_t skip = pOut.text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  if (const std::size_t nul = pOut.text.find('\0'); nul != std::string::npos) {
    return "JSON text holds a NUL byte (at byte " + std::to_string(nul) + ")";
  }
  pOut.text.erase(0, skip);
  rapidjson::Reader reader;
  // The stream knows the text's length: the reader never looks past its end, not even for the
  // continuation bytes of a UTF-8 sequence cut off by the end of the text.
  rapidjson::MemoryStream stream(pOut.text.data(), pOut.text.size());
  TIndexer indexer;
  indexer.begin = pOut.text.c_str();
  indexer.stream = &stream;
  indexer.members = &pOut.members;
  const rapidjson::ParseResult ok = reader.Parse<kParseFlags>(stream, indexer);
  if (!ok) {
    pOut.members.clear();
    return std::string("JSON ") + rapidjson::GetParseError_En(ok.Code()) + " (at byte " +
           std::to_string(ok.Offset() + skip) + ")";
  }
  return {};
}

const TTopValue* FindTop(const TJsonText* pText, const char* pKey) {
  if (!pText) return nullptr;
  for (const TTopValue& m : pText->members) {
    if ((m.type == rapidjson::kObjectType || m.type == rapidjson::kArrayType) && m.key == pKey)
      return &m;
  }
  return nullptr;
}

std::vector<const TTopValue*> FindAllTop(const TJsonText* pText, const char* pKey) {
  std::vector<const TTopValue*> found;
  if (!pText) return found;
  for (const TTopValue& m : pText->members) {
    if ((m.type == rapidjson::kObjectType || m.type == rapidjson::kArrayType) && m.key == pKey)
      found.push_back(&m);
  }
  return found;
}

const JValue& ParseElement(const TJsonText& pText, std::size_t pOffset, rapidjson::Document& pDoc) {
  if (pOffset > pText.text.size()) throw EJsonLoadError("JSON text changed while it was read");
  pDoc.Parse<kParseFlags | rapidjson::kParseStopWhenDoneFlag>(pText.text.data() + pOffset,
                                                              pText.text.size() - pOffset);
  if (pDoc.HasParseError()) throw EJsonLoadError("JSON text changed while it was read");
  return pDoc;
}

const JValue* TopObject(const TJsonText* pText, const char* pKey, rapidjson::Document& pDoc) {
  const TTopValue* top = FindTop(pText, pKey);
  if (!top || top->type != rapidjson::kObjectType) return nullptr;
  return &ParseElement(*pText, top->offset, pDoc);
}

std::string_view KeyOf(const JValue::Member& pMember) {
  return {pMember.name.GetString(), pMember.name.GetStringLength()};
}

std::string ReadText(const JValue& v, const TWhere& w) {
  if (!v.IsString()) Refuse(w, "a text", v);
  if (v.GetStringLength() > kMaxJsonTextBytes) {
    throw EJsonLoadError(TLoadNote{
        TLoadNoteKind::kTextTooLong,
        {w.Text(), std::to_string(v.GetStringLength()), std::to_string(kMaxJsonTextBytes)}});
  }
  return {v.GetString(), v.GetStringLength()};
}

std::u16string ReadWide(const JValue& v, const TWhere& w) {
  return db::Utf8ToUtf16(ReadText(v, w));
}

std::int64_t ReadInt64(const JValue& v, const TWhere& w) {
  if (v.IsInt64()) return v.GetInt64();
  if (v.IsDouble()) {
    const double d = v.GetDouble();
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.2e18) {
      return static_cast<std::int64_t>(d);
    }
  }
  Refuse(w, "a whole number", v);
}

std::int32_t ReadInt(const JValue& v, const TWhere& w) {
  const std::int64_t n = ReadInt64(v, w);
  if (n < std::numeric_limits<std::int32_t>::min() ||
      n > std::numeric_limits<std::int32_t>::max()) {
    throw EJsonLoadError(TLoadNote{TLoadNoteKind::kOutOfRange32, {w.Text(), std::to_string(n)}});
  }
  return static_cast<std::int32_t>(n);
}

long double ReadExt(const JValue& v, const TWhere& w) {
  if (!v.IsNumber()) Refuse(w, "a number", v);
  if (v.IsInt64()) return static_cast<long double>(v.GetInt64());
  if (v.IsUint64()) return static_cast<long double>(v.GetUint64());
  return v.GetDouble();
}

namespace {

// A value text for a note, cut to a readable length.
std::string Quoted(const std::string& text) {
  return "\"" + (text.size() > 40 ? text.substr(0, 40) + "..." : text) + "\"";
}

}  // namespace

bool ReadDate(const JValue& v, const TWhere& w, double& pDate, TLoadReport& pReport) {
  const std::string text = ReadText(v, w);
  if (text.empty()) return false;
  pDate = gDateFromJSON(text);
  if (pDate < 0) pReport.Note(TLoadNoteKind::kNotADate, {w.Text(), Quoted(text)});
  return true;
}

void ReadGuid(const JValue& v, const TWhere& w, TJSGIUD& pGuid, TLoadReport& pReport) {
  const std::string text = ReadText(v, w);
  pGuid.Clear();
  if (text.empty()) return;
  if (text.size() != 36) {
    pReport.Note(TLoadNoteKind::kNotAGuid, {w.Text(), Quoted(text)});
    return;
  }
  try {
    pGuid.uSetValue(text);
  } catch (const EConvertError&) {
    throw EJsonLoadError(TLoadNote{TLoadNoteKind::kBadGuid, {w.Text(), text}});
  }
}

}  // namespace tir::import

#include <algorithm>
#include <tuple>

#include "settings/guid_forms.h"

namespace tir::import {
namespace {

// One GUID met in an array: its pair, the element and, inside a group tree, the path below it.
struct TSeenGuid {
  std::int64_t g1, g2;
  std::size_t order, element;
  std::string below;
};

// Collects the GUID of one object and, in a group tree, those of its children.
void CollectGuids(const JValue& obj, std::size_t element, const std::string& below, bool tree,
                  int depth, std::vector<TSeenGuid>& seen) {
  if (!obj.IsObject() || depth > 1000) return;
  for (const auto& m : obj.GetObject()) {
    const std::string_view key = KeyOf(m);
    if (key == "guid" && m.value.IsString() && m.value.GetStringLength() == 36) {
      std::int64_t g1 = 0, g2 = 0;
      try {
        gGetGUIDSFromSTR({m.value.GetString(), 36}, g1, g2);
      } catch (const std::exception&) {
        continue;  // refused when the row is read
      }
      if (g1 != 0 || g2 != 0) seen.push_back({g1, g2, seen.size(), element, below});
    } else if (tree && key == "children" && m.value.IsArray()) {
      std::size_t index = 0;
      for (const JValue& child : m.value.GetArray()) {
        CollectGuids(child, element, below + ".children[" + std::to_string(index++) + "]", true,
                     depth + 1, seen);
      }
    }
  }
}

}  // namespace

std::vector<TLoadNote> FindRepeatedGuids(const TJsonText* pText) {
  std::vector<TLoadNote> repeats;
  if (!pText) return repeats;
  std::vector<std::string> done;
  for (const TTopValue& first : pText->members) {
    if (first.type != rapidjson::kArrayType ||
        std::find(done.begin(), done.end(), first.key) != done.end())
      continue;
    done.push_back(first.key);
    const std::string& key = first.key;
    const bool tree = key.size() >= 6 && key.compare(key.size() - 6, 6, "groups") == 0;
    std::vector<TSeenGuid> seen;
    std::size_t element = 0;  // counted over every array of the key
    for (const TTopValue* top : FindAllTop(pText, key.c_str())) {
      if (top->type != rapidjson::kArrayType) continue;
      for (const std::size_t offset : top->elements) {
        if (offset != std::string::npos) {
          rapidjson::Document doc;
          CollectGuids(ParseElement(*pText, offset, doc), element, {}, tree, 0, seen);
        }
        ++element;
      }
    }
    std::stable_sort(seen.begin(), seen.end(), [](const TSeenGuid& a, const TSeenGuid& b) {
      return std::tie(a.g1, a.g2) < std::tie(b.g1, b.g2);
    });
    const auto where = [&key](const TSeenGuid& g) {
      return key + "[" + std::to_string(g.element) + "]" + g.below;
    };
    std::vector<std::pair<std::size_t, TLoadNote>> found;  // in text order
    for (std::size_t k = 1; k < seen.size(); ++k) {
      if (seen[k].g1 == seen[k - 1].g1 && seen[k].g2 == seen[k - 1].g2) {
        found.emplace_back(seen[k].order, TLoadNote{TLoadNoteKind::kRepeatedGuid,
                                                    {where(seen[k]), where(seen[k - 1]),
                                                     gGetGUIDSTR(seen[k].g1, seen[k].g2)}});
      }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& f : found) repeats.push_back(std::move(f.second));
  }
  return repeats;
}

}  // namespace tir::import
