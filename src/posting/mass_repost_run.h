#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace tir::db {
class Connection;
}

namespace tir::posting {

class TDMMainProvodka;

// A whole mass re-posting run as the host drives it: take the control, optionally clear the
// registers and rebuild the balances, re-post the period's documents chunk by chunk in date and
// id order (touching the control between chunks), end the mode with a flush and release the
// control. Unless the caller has a transaction open, whole chunks are written and committed
// together about once a second, so a run that stops leaves whole chunks behind.
struct TMassRepostOptions {
  std::optional<double> from;  // first date-time included
  std::optional<double> to;    // last date-time included, or the first excluded with toExclusive
  bool toExclusive = false;
  std::size_t chunk = 500;
  // Clear every register and rebuild the balances first (then every document is re-posted; the
  // caller passes no period).
  bool full = false;
  // Called after each chunk with the documents done and the total.
  std::function<void(std::size_t done, std::size_t total)> progress;
  // Called with true before the control is taken and with false after: a host whose connection
  // waits long for a write lock shortens the wait meanwhile (see RunMassRepost).
  std::function<void(bool quick)> quickLockWaits;
  // Asked between documents; true stops the run (chunks not yet committed are not kept).
  std::function<bool()> stop;
};

struct TMassRepostResult {
  enum class TOutcome { kDone, kControlHeld, kDocumentsHaveRows, kStopped };
  TOutcome outcome = TOutcome::kDone;
  std::size_t documents = 0;  // documents of the period, or of the base with `full`
  std::size_t done = 0;       // documents re-posted and committed (all of them when kDone)
  std::size_t withRows = 0;   // with kDocumentsHaveRows: documents that still have register rows
  // Of the documents done: posted in the batch (orders set to state 0 included), left alone
  // (states other than 0 and 3), and handed to the ordinary posting (customer returns and
  // types without postings).
  std::size_t posted = 0;
  std::size_t leftAlone = 0;
  std::size_t fallenBack = 0;
};

// Raises tir::db::DbError for database failures after rolling back the current chunk, ending the
// mode without writing and releasing the control.
TMassRepostResult RunMassRepost(TDMMainProvodka& engine, db::Connection& connection,
                                const TMassRepostOptions& options);

}  // namespace tir::posting
