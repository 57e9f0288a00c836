#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tir::tsql {

// One text to parse, named for the report.
struct NamedText {
  std::string name;
  std::string text;
};

// True when the `sqlfluff` command runs.
bool SqlfluffAvailable();

// Parses every text with sqlfluff's T-SQL dialect in one run (one file per text, so that a broken
// text cannot hide the ones after it) and returns the names of the texts with an unparsable
// section, with sqlfluff's words on it. `work` is a scratch folder. Raises std::runtime_error
// when sqlfluff cannot be run or its answer does not name every file.
std::map<std::string, std::string> FindUnparsable(const std::vector<NamedText>& texts,
                                                  const std::string& work);

// A statement as the data layer holds it (":name" parameters) in the form sqlcmd would run it:
// parameters as "@name" variables, a terminating ';'. A closing "OFFSET n ROWS FETCH NEXT m ROWS
// ONLY" after an ORDER BY, which sqlfluff cannot parse, is left out.
std::string AsServerBatch(const std::string& statement);

// Splits a sqlcmd script at its "GO" lines; a batch that creates no procedure, function or
// trigger is split further at its blank lines, so that each piece holds a few statements.
std::vector<NamedText> ScriptPieces(const std::string& script, const std::string& prefix);

// The conditional blocks of one dialect ("{IF MSSQL}" … "{fi}") in the string literals of C++
// sources. A block whose literal text is interrupted by code (a pasted value) is kept as its
// literal pieces; `&name` macros also cut pieces.
struct SourceBlock {
  std::string where;                // file:line
  std::vector<std::string> pieces;  // white space collapsed, ';' dropped
};
std::vector<SourceBlock> ConditionalBlocks(const std::string& sourceRoot, const std::string& kind);

// White space collapsed to single spaces and ';' dropped, for comparing texts by content.
std::string Flatten(const std::string& text);

// True when the flattened `text` holds every piece of the block, in order.
bool Covers(const std::string& flatText, const SourceBlock& block);

// Tables and their columns of a CREATE TABLE script ("[dbo].[name]" and "[column] TYPE" lines).
using TableColumns = std::map<std::string, std::set<std::string>>;
TableColumns ReadTables(const std::string& ddl);

// The table and column names a statement uses: words of the base's naming ("tir…" tables,
// "f…" columns), outside quotes and comments, except aliases given with AS and variables.
struct NamedObjects {
  std::set<std::string> tables;
  std::set<std::string> columns;
};
NamedObjects NamesIn(const std::string& statement);

}  // namespace tir::tsql
