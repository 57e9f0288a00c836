#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tir::tirdex {

// The base argument DB of every command that works on an existing base: an SQLite file or an
// ODBC connection string, with one help text for all of them.
CLI::Option* AddBaseOption(CLI::App& cmd, std::string& base);

// A period of document dates, the same for every command that takes one: FROM is the first moment
// included, TO the last. A bare date "YYYY-MM-DD" as TO includes its whole day; a date-time
// "YYYY-MM-DD HH:MM[:SS]" is taken as it is. An end left empty leaves the period open there.
struct Period {
  std::optional<double> from;
  // The upper bound: the last moment included, or, when `toExcluded`, the first one after the
  // period (the next day's 00:00 for a bare date, exact on every database).
  std::optional<double> to;
  bool toExcluded = false;

  // The last moment included (a bare date's 23:59:59.999), for queries that compare with <=.
  std::optional<double> LastMoment() const;
};

// The help text of the period rule, shown once in tirdex --help.
extern const char* const kPeriodRuleHelp;

// Adds the two ends of a period as options or arguments (`fromName`, `toName`: "--from"/"--to"
// or "FROM"/"TO") storing their texts. A text that is no date is a usage error that names the
// option. `scope` starts each help text ("With --all: "), or is empty.
void AddPeriodOptions(CLI::App& cmd, const std::string& fromName, std::string& from,
                      const std::string& toName, std::string& to, const std::string& scope = "",
                      bool required = false);
// The same check for an option that takes both ends as two values (--docs-period FROM TO).
CLI::Option* AddPeriodPairOption(CLI::App& cmd, const std::string& name,
                                 std::vector<std::string>& ends, const std::string& help);

// The period of two texts checked as above; nullopt when one of them is no date.
std::optional<Period> ReadPeriod(const std::string& from, const std::string& to);

}  // namespace tir::tirdex
