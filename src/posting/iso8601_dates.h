#pragma once

#include <optional>
#include <string>

namespace tir::posting {

// ISO 8601 text of a local date-time (a day number, see db/date_time.h) with the local offset,
// "YYYY-MM-DDTHH:MM:SS.ZZZ+HH:MM".
std::string DateToISO8601(double aLocalDate);

// The local date-time of an ISO 8601 text "YYYY-MM-DD[THH:MM[:SS[.Z…]]][Z|±HH[:MM]]"; a text
// without an offset is local time already. nullopt for a text that does not parse.
std::optional<double> ISO8601ToDate(const std::string& aText);

}  // namespace tir::posting
