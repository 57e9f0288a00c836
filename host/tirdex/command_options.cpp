#include "host/tirdex/command_options.h"

#include <CLI/CLI.hpp>

#include "db/date_time.h"

namespace tir::tirdex {
namespace {

constexpr std::size_t kBareDateLength = 10;  // "YYYY-MM-DD"
constexpr double kOneMillisecond = 1.0 / 86400000.0;

const CLI::Validator& DateText() {
  static const CLI::Validator validator(
      [](std::string& text) {
        return db::DateTimeFromSqlText(text)
                   ? std::string()
                   : "\"" + text + "\" is not a date (YYYY-MM-DD[ HH:MM[:SS]])";
      },
      "DATE");
  return validator;
}

// A period whose first moment lies after its last is a usage error, as a malformed date is.
void RefuseReversed(const std::string& from, const std::string& to, const std::string& what) {
  if (from.empty() || to.empty()) return;
  const std::optional<Period> period = ReadPeriod(from, to);
  if (period && period->from && period->to && *period->from > *period->LastMoment())
    throw CLI::ValidationError(what + ": the period is empty (\"" + from + "\" is after \"" + to +
                               "\")");
}

}  // namespace

const char* const kPeriodRuleHelp =
    "Periods (--from/--to, FROM TO, --docs-period): FROM is the first moment included, TO the\n"
    "last. A bare date YYYY-MM-DD as TO includes its whole day: --to 2024-12-31 takes a document\n"
    "of 2024-12-31 23:59 and leaves one of 2025-01-01 00:00. A date-time YYYY-MM-DD HH:MM[:SS] is\n"
    "taken as it is. A text that is no date, or a FROM after TO, is a usage error (exit code 2).";

CLI::Option* AddBaseOption(CLI::App& cmd, std::string& base) {
  return cmd
      .add_option("DB", base,
                  "The base: an SQLite file, or an ODBC data source as \"odbc:CONNECTION\"")
      ->required();
}

std::optional<double> Period::LastMoment() const {
  if (!to) return std::nullopt;
  return toExcluded ? *to - kOneMillisecond : *to;
}

void AddPeriodOptions(CLI::App& cmd, const std::string& fromName, std::string& from,
                      const std::string& toName, std::string& to, const std::string& scope,
                      bool required) {
  cmd.add_option(fromName, from,
                 scope + (scope.empty() ? "F" : "f") + "irst date, YYYY-MM-DD[ HH:MM[:SS]]")
      ->check(DateText())
      ->required(required);
  cmd.add_option(
         toName, to,
         scope + (scope.empty() ? "L" : "l") + "ast date (a bare date includes its whole day)")
      ->check(DateText())
      ->required(required);
  cmd.parse_complete_callback(
      [&from, &to, what = fromName + "/" + toName] { RefuseReversed(from, to, what); });
}

CLI::Option* AddPeriodPairOption(CLI::App& cmd, const std::string& name,
                                 std::vector<std::string>& ends, const std::string& help) {
  cmd.parse_complete_callback([&ends, name] {
    if (ends.size() == 2) RefuseReversed(ends[0], ends[1], name);
  });
  return cmd.add_option(name, ends, help)->expected(2)->check(DateText());
}

std::optional<Period> ReadPeriod(const std::string& from, const std::string& to) {
  Period period;
  if (!from.empty() && !(period.from = db::DateTimeFromSqlText(from))) return std::nullopt;
  if (!to.empty() && !(period.to = db::DateTimeFromSqlText(to))) return std::nullopt;
  if (period.to && to.size() == kBareDateLength) {
    *period.to += 1.0;
    period.toExcluded = true;
  }
  return period;
}

}  // namespace tir::tirdex
