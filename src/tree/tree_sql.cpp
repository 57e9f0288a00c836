#include "tree/tree_sql.h"

#include "settings/guid_forms.h"

namespace tir::tree::detail {

void LoadTreeSql(db::Query& query, const std::string& sql, const std::string& table,
                 const char* macro) {
  query.Close();
  query.SetSql(sql);
  query.SetMacro(macro, table);
}

void ParseGuidPair(const std::string& text, std::int64_t& guid1, std::int64_t& guid2) {
  const TGUID guid = StringToGUID("{" + text + "}");
  guid1 = gGetGUID1(guid);
  guid2 = gGetGUID2(guid);
}

void Fail(TFuncR& result, int code, const std::string& message) {
  result.fCode = code;
  result.fStr = message;
}

void Succeed(TFuncR& result) {
  result.fCode = 0;
  result.fStr.clear();
}

std::size_t Utf8Length(const std::string& text) {
  std::size_t count = 0;
  for (const unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string FormatMessage(const std::string& pattern, std::initializer_list<long long> values) {
  std::string out;
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd' &&
        next != values.end()) {
      out += std::to_string(*next++);
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace tir::tree::detail
