#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"

namespace tir::db {

// One statement of a SQL text after preprocessing.
struct SqlStatement {
  std::string text;                     // parameters still written ":name"
  std::vector<std::string> paramNames;  // in order of first appearance in this statement
};

// The preprocessed form of a whole SQL text.
struct PreparedText {
  std::vector<SqlStatement> statements;
  std::vector<std::string> paramNames;  // the whole text's parameters, in order of first appearance
};

// A statement with its ":name" parameters written as "?" markers, as ODBC drivers take them.
struct PositionalText {
  std::string text;
  std::vector<std::size_t> markers;  // per "?" in order: the index of its name in the list
};

// Applies, in this order: conditional blocks ("{IF MSSQL}" … "{fi}", "{IF SQLite}" … "{fi}",
// kind names compared case-insensitively; a block of another kind is dropped), `&name` macros
// that are defined in `macros` (undefined ones are left as written), then splits the text into
// statements at ';' outside quotes, brackets and comments, dropping empty statements, and collects
// ":name" parameters (not "::", not inside quotes or comments). Parameter names compare
// case-insensitively and are reported in the spelling of their first appearance. On MS SQL Server
// a text that declares variables (DECLARE) or reads SCOPE_IDENTITY() is one batch: it is not split
// at ';'.
PreparedText PreprocessSql(const std::string& sql, DbKind kind,
                           const std::map<std::string, std::string>& macros);

// Rewrites one statement's ":name" parameters (as PreprocessSql left them) to "?" markers; a
// parameter used twice gives two markers. Raises DbError for a name missing from `paramNames`.
PositionalText ToPositionalMarkers(const std::string& statement,
                                   const std::vector<std::string>& paramNames);

// True when `word` (letters, digits, '_') occurs in the text as a whole word outside quotes,
// bracketed names and comments, compared case-insensitively.
bool HasSqlWord(const std::string& sql, std::string_view word);

// True for a plain SQL identifier usable as a macro value or table name: letters, digits and '_',
// not starting with a digit, optionally "schema.name" or bracketed "[name]".
bool IsPlainIdentifier(const std::string& text);

// True when `list` is a comma-separated list of integer ids (digits with an optional leading
// minus per id, spaces around ids allowed, empty items not allowed). The empty text is valid.
bool IsValidIdList(const std::string& list);

}  // namespace tir::db
