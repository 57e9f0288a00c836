#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace tir::db {
class Connection;
}

namespace tir::posting {

class TDMMainProvodka;

// One document of a posting list and the command it is posted with.
struct TListPostingItem {
  std::int64_t fDocId = 0;
  int fCommand = 0;
};

struct TListPostingOptions {
  std::size_t chunk = 500;
  // Called after each chunk with the documents done and the total.
  std::function<void(std::size_t done, std::size_t total)> progress;
};

enum class TListPostingOutcome { kDone, kControlHeld };

// Posts the documents of `docs` in list order, each with its command, leaving exactly what
// `engine.Provodka` on each in turn leaves. Re-postings (command 20) of documents without register
// rows are computed in the mass re-posting batch; every other document (one with rows, one listed
// twice, a customer return, other commands) is posted the ordinary way after the
// batch has written what is pending. Holds the mass re-posting control for the run: when another
// live holder has it, nothing is posted and the outcome is kControlHeld. Runs in the caller's
// transaction, or in one of its own; database errors pass to the caller.
TListPostingOutcome PostDocumentList(TDMMainProvodka& engine, db::Connection& connection,
                                     const std::vector<TListPostingItem>& docs,
                                     const TListPostingOptions& options);

}  // namespace tir::posting
