#include "db/sql_text.h"

#include <cctype>
#include <charconv>
#include <cstdint>

#include "db/db_error.h"

namespace tir::db {

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

std::string Excerpt(const std::string& sql) { return sql.substr(0, 200); }

// If a quoted string, quoted or bracketed identifier or a comment starts at `pos`, returns the
// position just after it (the end of the text when it is not closed); otherwise `pos`.
std::size_t SkipQuoted(const std::string& s, std::size_t pos) {
  const char c = s[pos];
  const std::size_t n = s.size();
  if (c == '\'' || c == '"') {
    std::size_t i = pos + 1;
    while (i < n) {
      if (s[i] == c) {
        if (i + 1 < n && s[i + 1] == c) {
          i += 2;  // doubled quote
          continue;
        }
        return i + 1;
      }
      ++i;
    }
    return n;
  }
  if (c == '[') {
    std::size_t e = s.find(']', pos + 1);
    return e == std::string::npos ? n : e + 1;
  }
  if (c == '-' && pos + 1 < n && s[pos + 1] == '-') {
    std::size_t e = s.find('\n', pos + 2);
    return e == std::string::npos ? n : e + 1;
  }
  if (c == '/' && pos + 1 < n && s[pos + 1] == '*') {
    std::size_t e = s.find("*/", pos + 2);
    return e == std::string::npos ? n : e + 2;
  }
  return pos;
}

bool IsComment(const std::string& s, std::size_t pos) {
  return pos + 1 < s.size() &&
         ((s[pos] == '-' && s[pos + 1] == '-') || (s[pos] == '/' && s[pos + 1] == '*'));
}

// Recognises "{IF kind}" or "{fi}" at `pos` (spaces allowed inside the braces). Returns the
// length of the marker, 0 when there is none; `kindName` is empty for "{fi}".
std::size_t MatchBlockMarker(const std::string& s, std::size_t pos, std::string& kindName) {
  std::size_t i = pos + 1;
  const std::size_t n = s.size();
  auto skipSpaces = [&] {
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  skipSpaces();
  std::size_t w = i;
  while (i < n && IsIdentChar(s[i])) ++i;
  std::string_view word(s.data() + w, i - w);
  if (EqualsNoCase(word, "fi")) {
    skipSpaces();
    if (i < n && s[i] == '}') {
      kindName.clear();
      return i + 1 - pos;
    }
    return 0;
  }
  if (!EqualsNoCase(word, "IF") || i >= n || (s[i] != ' ' && s[i] != '\t')) return 0;
  skipSpaces();
  std::size_t k = i;
  while (i < n && IsIdentChar(s[i])) ++i;
  if (i == k) return 0;
  kindName.assign(s, k, i - k);
  skipSpaces();
  if (i < n && s[i] == '}') return i + 1 - pos;
  return 0;
}

bool KindMatches(const std::string& name, DbKind kind) {
  if (EqualsNoCase(name, "MSSQL")) return kind == DbKind::kMSSQL;
  if (EqualsNoCase(name, "SQLite")) return kind == DbKind::kSQLite;
  return false;
}

std::string ApplyConditionalBlocks(const std::string& sql, DbKind kind) {
  std::string out;
  out.reserve(sql.size());
  std::vector<bool> kept;  // per open block: whether its text is kept
  std::size_t dropping = 0;
  std::size_t pos = 0;
  while (pos < sql.size()) {
    std::size_t skip = SkipQuoted(sql, pos);
    if (skip != pos) {
      if (dropping == 0) out.append(sql, pos, skip - pos);
      pos = skip;
      continue;
    }
    std::string kindName;
    std::size_t len = sql[pos] == '{' ? MatchBlockMarker(sql, pos, kindName) : 0;
    if (len == 0) {
      if (dropping == 0) out += sql[pos];
      ++pos;
      continue;
    }
    if (!kindName.empty()) {
      bool keep = KindMatches(kindName, kind);
      kept.push_back(keep);
      if (!keep) ++dropping;
    } else {
      if (kept.empty()) throw DbError("\"{fi}\" without \"{IF ...}\" in SQL: " + Excerpt(sql));
      if (!kept.back()) --dropping;
      kept.pop_back();
    }
    pos += len;
  }
  if (!kept.empty()) throw DbError("\"{IF ...}\" block without \"{fi}\" in SQL: " + Excerpt(sql));
  return out;
}

const std::string* FindMacro(const std::map<std::string, std::string>& macros,
                             std::string_view name) {
  auto exact = macros.find(std::string(name));
  if (exact != macros.end()) return &exact->second;
  for (const auto& [key, value] : macros) {
    if (EqualsNoCase(key, name)) return &value;
  }
  return nullptr;
}

std::string ApplyMacros(const std::string& sql, const std::map<std::string, std::string>& macros) {
  if (macros.empty() || sql.find('&') == std::string::npos) return sql;
  std::string out;
  out.reserve(sql.size());
  std::size_t pos = 0;
  while (pos < sql.size()) {
    std::size_t skip = SkipQuoted(sql, pos);
    if (skip != pos) {
      out.append(sql, pos, skip - pos);
      pos = skip;
      continue;
    }
    if (sql[pos] == '&' && pos + 1 < sql.size() && IsIdentStart(sql[pos + 1])) {
      std::size_t e = pos + 1;
      while (e < sql.size() && IsIdentChar(sql[e])) ++e;
      if (const std::string* value =
              FindMacro(macros, std::string_view(sql.data() + pos + 1, e - pos - 1))) {
        out += *value;
        pos = e;
        continue;
      }
    }
    out += sql[pos++];
  }
  return out;
}

// Splits into statements and collects parameters.
class Splitter {
 public:
  // `oneBatch`: ';' does not end a statement; the whole text is one statement.
  Splitter(PreparedText& result, bool oneBatch) : result_(result), oneBatch_(oneBatch) {}

  void Run(const std::string& sql) {
    std::size_t pos = 0;
    const std::size_t n = sql.size();
    while (pos < n) {
      std::size_t skip = SkipQuoted(sql, pos);
      if (skip != pos) {
        if (!IsComment(sql, pos)) hasContent_ = true;
        current_.text.append(sql, pos, skip - pos);
        pos = skip;
        continue;
      }
      const char c = sql[pos];
      if (c == ';' && !oneBatch_ && (!inTrigger_ || triggerEnd_)) {
        Finish();
        ++pos;
        continue;
      }
      if (c == ':' && pos + 1 < n && sql[pos + 1] == ':') {
        current_.text += "::";
        pos += 2;
        hasContent_ = true;
        continue;
      }
      if (c == ':' && pos + 1 < n && IsIdentStart(sql[pos + 1])) {
        std::size_t e = pos + 1;
        while (e < n && IsIdentChar(sql[e])) ++e;
        current_.text += ':';
        current_.text += AddParam(std::string_view(sql.data() + pos + 1, e - pos - 1));
        pos = e;
        hasContent_ = true;
        continue;
      }
      if (IsIdentStart(c)) {
        std::size_t e = pos;
        while (e < n && IsIdentChar(sql[e])) ++e;
        Word(std::string_view(sql.data() + pos, e - pos));
        current_.text.append(sql, pos, e - pos);
        pos = e;
        hasContent_ = true;
        continue;
      }
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') hasContent_ = true;
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') triggerEnd_ = false;
      current_.text += c;
      ++pos;
    }
    Finish();
  }

 private:
  // Returns the spelling of the parameter's first appearance in the text.
  const std::string& AddParam(std::string_view name) {
    const std::string* spelling = nullptr;
    for (const auto& p : result_.paramNames) {
      if (EqualsNoCase(p, name)) spelling = &p;
    }
    if (spelling == nullptr) {
      result_.paramNames.emplace_back(name);
      spelling = &result_.paramNames.back();
    }
    bool inStatement = false;
    for (const auto& p : current_.paramNames) inStatement = inStatement || p == *spelling;
    if (!inStatement) current_.paramNames.push_back(*spelling);
    return *spelling;
  }

  // Tracks the leading words to keep "CREATE TRIGGER ... BEGIN ...; END" in one statement. Inside
  // a trigger an END closes the body only when it does not close a CASE expression.
  void Word(std::string_view w) {
    triggerEnd_ = false;
    if (inTrigger_ && EqualsNoCase(w, "CASE")) {
      ++caseDepth_;
    } else if (inTrigger_ && EqualsNoCase(w, "END")) {
      if (caseDepth_ > 0) {
        --caseDepth_;
      } else {
        triggerEnd_ = true;
      }
    }
    if (wordCount_ < 3) {
      ++wordCount_;
      if (wordCount_ == 1) {
        startsWithCreate_ = EqualsNoCase(w, "CREATE");
      } else if (startsWithCreate_ && EqualsNoCase(w, "TRIGGER")) {
        inTrigger_ = true;
      } else if (!(wordCount_ == 2 && (EqualsNoCase(w, "TEMP") || EqualsNoCase(w, "TEMPORARY")))) {
        startsWithCreate_ = false;
      }
    }
  }

  void Finish() {
    if (hasContent_) {
      std::size_t b = current_.text.find_first_not_of(" \t\r\n");
      std::size_t e = current_.text.find_last_not_of(" \t\r\n");
      current_.text = current_.text.substr(b, e - b + 1);
      result_.statements.push_back(std::move(current_));
    }
    current_ = SqlStatement();
    hasContent_ = false;
    inTrigger_ = false;
    startsWithCreate_ = false;
    wordCount_ = 0;
    caseDepth_ = 0;
    triggerEnd_ = false;
  }

  PreparedText& result_;
  bool oneBatch_;
  SqlStatement current_;
  bool hasContent_ = false;
  bool inTrigger_ = false;
  bool startsWithCreate_ = false;
  int wordCount_ = 0;
  int caseDepth_ = 0;
  bool triggerEnd_ = false;
};

bool IsPlainPart(std::string_view part) {
  if (part.empty() || part.size() > 128) return false;
  if (part.front() == '[') {
    if (part.size() < 3 || part.back() != ']') return false;
    for (char c : part.substr(1, part.size() - 2)) {
      if (!IsIdentChar(c) && c != ' ') return false;
    }
    return true;
  }
  if (!IsIdentStart(part.front())) return false;
  for (char c : part) {
    if (!IsIdentChar(c)) return false;
  }
  return true;
}

}  // namespace

bool HasSqlWord(const std::string& sql, std::string_view word) {
  std::size_t pos = 0;
  while (pos < sql.size()) {
    const std::size_t skip = SkipQuoted(sql, pos);
    if (skip != pos) {
      pos = skip;
    } else if (IsIdentStart(sql[pos])) {
      std::size_t e = pos;
      while (e < sql.size() && IsIdentChar(sql[e])) ++e;
      if (EqualsNoCase(std::string_view(sql.data() + pos, e - pos), word)) return true;
      pos = e;
    } else {
      ++pos;
    }
  }
  return false;
}

PreparedText PreprocessSql(const std::string& sql, DbKind kind,
                           const std::map<std::string, std::string>& macros) {
  std::string text = ApplyConditionalBlocks(sql, kind);
  text = ApplyMacros(text, macros);
  PreparedText result;
  result.paramNames.reserve(8);
  // On MS SQL Server a text that declares variables or reads SCOPE_IDENTITY() is sent as one
  // batch: both live only within the batch, so split at ';' its later statements would no longer
  // see them.
  const bool oneBatch =
      kind == DbKind::kMSSQL && (HasSqlWord(text, "DECLARE") || HasSqlWord(text, "SCOPE_IDENTITY"));
  Splitter(result, oneBatch).Run(text);
  return result;
}

PositionalText ToPositionalMarkers(const std::string& statement,
                                   const std::vector<std::string>& paramNames) {
  PositionalText out;
  out.text.reserve(statement.size());
  std::size_t pos = 0;
  const std::size_t n = statement.size();
  while (pos < n) {
    const std::size_t skip = SkipQuoted(statement, pos);
    if (skip != pos) {
      out.text.append(statement, pos, skip - pos);
      pos = skip;
      continue;
    }
    if (statement[pos] == ':' && pos + 1 < n && statement[pos + 1] == ':') {
      out.text += "::";
      pos += 2;
      continue;
    }
    if (statement[pos] == ':' && pos + 1 < n && IsIdentStart(statement[pos + 1])) {
      std::size_t e = pos + 1;
      while (e < n && IsIdentChar(statement[e])) ++e;
      const std::string_view name(statement.data() + pos + 1, e - pos - 1);
      std::size_t index = 0;
      while (index < paramNames.size() && !EqualsNoCase(paramNames[index], name)) ++index;
      if (index == paramNames.size()) {
        throw DbError("Parameter '" + std::string(name) +
                      "' is not listed | SQL: " + Excerpt(statement));
      }
      out.text += '?';
      out.markers.push_back(index);
      pos = e;
      continue;
    }
    out.text += statement[pos++];
  }
  return out;
}

bool IsPlainIdentifier(const std::string& text) {
  if (text.empty()) return false;
  std::size_t start = 0;
  int parts = 0;
  while (true) {
    std::size_t dot = std::string::npos;
    if (text[start] == '[') {
      std::size_t close = text.find(']', start);
      if (close == std::string::npos) return false;
      dot = close + 1 < text.size() ? close + 1 : std::string::npos;
      if (dot != std::string::npos && text[dot] != '.') return false;
    } else {
      dot = text.find('.', start);
    }
    std::string_view part(text.data() + start,
                          (dot == std::string::npos ? text.size() : dot) - start);
    if (!IsPlainPart(part) || ++parts > 3) return false;
    if (dot == std::string::npos) return true;
    start = dot + 1;
    if (start >= text.size()) return false;
  }
}

bool IsValidIdList(const std::string& list) {
  if (list.empty()) return true;
  std::size_t pos = 0;
  while (true) {
    std::size_t comma = list.find(',', pos);
    std::size_t end = comma == std::string::npos ? list.size() : comma;
    std::size_t b = pos;
    std::size_t e = end;
    while (b < e && (list[b] == ' ' || list[b] == '\t')) ++b;
    while (e > b && (list[e - 1] == ' ' || list[e - 1] == '\t')) --e;
    if (b == e) return false;
    std::size_t digits = list[b] == '-' ? b + 1 : b;
    if (digits == e) return false;
    for (std::size_t i = digits; i < e; ++i) {
      if (list[i] < '0' || list[i] > '9') return false;
    }
    std::int64_t value = 0;
    auto [p, ec] = std::from_chars(list.data() + b, list.data() + e, value);
    if (ec != std::errc() || p != list.data() + e) return false;
    if (comma == std::string::npos) return true;
    pos = comma + 1;
  }
}

}  // namespace tir::db
