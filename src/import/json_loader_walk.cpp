#include "import/json_loader_walk.h"

#include <cmath>
#include <limits>

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
  throw EJsonLoadError(w.Text() + ": " + expected + " was expected, found " + TypeName(v));
}

}  // namespace

std::string TWhere::Text() const {
  std::string s = array ? array : "";
  if (array) s += "[" + std::to_string(index) + "]";
  if (!key.empty()) s += "." + std::string(key);
  return s;
}

const JValue* FindTop(const TJsonText* pText, const char* pKey) {
  if (!pText || !pText->doc.IsObject()) return nullptr;
  for (const auto& m : pText->doc.GetObject()) {
    if ((m.value.IsObject() || m.value.IsArray()) && KeyOf(m) == pKey) return &m.value;
  }
  return nullptr;
}

std::string_view KeyOf(const JValue::Member& pMember) {
  return {pMember.name.GetString(), pMember.name.GetStringLength()};
}

std::string ReadText(const JValue& v, const TWhere& w) {
  if (!v.IsString()) Refuse(w, "a text", v);
  if (v.GetStringLength() > kMaxJsonTextBytes) {
    throw EJsonLoadError(w.Text() + ": a text of " + std::to_string(v.GetStringLength()) +
                         " bytes is longer than " + std::to_string(kMaxJsonTextBytes));
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
    throw EJsonLoadError(w.Text() + ": " + std::to_string(n) + " is out of the 32-bit range");
  }
  return static_cast<std::int32_t>(n);
}

long double ReadExt(const JValue& v, const TWhere& w) {
  if (!v.IsNumber()) Refuse(w, "a number", v);
  if (v.IsInt64()) return static_cast<long double>(v.GetInt64());
  if (v.IsUint64()) return static_cast<long double>(v.GetUint64());
  return v.GetDouble();
}

bool ReadDate(const JValue& v, const TWhere& w, double& pDate) {
  const std::string text = ReadText(v, w);
  if (text.empty()) return false;
  pDate = gDateFromJSON(text);
  if (pDate < 0)
    throw EJsonLoadError(w.Text() + ": \"" + text + "\" is not a date (yyyymmddhhnnss)");
  return true;
}

void ReadGuid(const JValue& v, const TWhere& w, TJSGIUD& pGuid) {
  const std::string text = ReadText(v, w);
  if (text.empty()) return pGuid.Clear();
  if (text.size() != 36)
    throw EJsonLoadError(w.Text() + ": \"" + text.substr(0, 40) + "\" is not a GUID");
  try {
    pGuid.uSetValue(text);
  } catch (const EConvertError&) {
    throw EJsonLoadError(w.Text() + ": \"" + text + "\" is not a GUID");
  }
}

}  // namespace tir::import

#include <unordered_map>

namespace tir::import {
namespace {

using TSeen = std::unordered_map<std::string_view, std::string>;

// Checks the objects of one array (and, in a group tree, their children) against `seen`.
std::string CheckArray(const JValue& array, const std::string& path, bool tree, TSeen& seen,
                       int depth) {
  if (!array.IsArray() || depth > 1000) return {};
  std::size_t index = 0;
  for (const JValue& obj : array.GetArray()) {
    const std::string at = path + "[" + std::to_string(index++) + "]";
    if (!obj.IsObject()) continue;
    for (const auto& m : obj.GetObject()) {
      const std::string_view key = KeyOf(m);
      if (key == "guid" && m.value.IsString() && m.value.GetStringLength() > 0) {
        const std::string_view guid(m.value.GetString(), m.value.GetStringLength());
        const auto [it, fresh] = seen.emplace(guid, at);
        if (!fresh) return at + ".guid repeats " + it->second + " (" + std::string(guid) + ")";
      } else if (tree && key == "children") {
        std::string found = CheckArray(m.value, at + ".children", true, seen, depth + 1);
        if (!found.empty()) return found;
      }
    }
  }
  return {};
}

}  // namespace

std::string FindDuplicateGuid(const TJsonText* pText) {
  if (!pText || !pText->doc.IsObject()) return {};
  for (const auto& m : pText->doc.GetObject()) {
    if (!m.value.IsArray()) continue;
    const std::string key(KeyOf(m));
    const bool tree = key.size() >= 6 && key.compare(key.size() - 6, 6, "groups") == 0;
    TSeen seen;
    std::string found = CheckArray(m.value, key, tree, seen, 0);
    if (!found.empty()) return found;
  }
  return {};
}

}  // namespace tir::import
