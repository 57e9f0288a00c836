// tirdex import / import-mobile / cook-status: the exchange loader run on a base the way the
// load-from-file window runs it, one load in one transaction on the host's connection.
#include <pthread.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "host/kit/host_scope.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/progress_line.h"
#include "host/tirdex/tirdex_files.h"
#include "import/json_loader.h"
#include "import/json_loader_atomic.h"

namespace tir::tirdex {
namespace {

struct ImportOptions {
  std::string base;
  std::string file;
  bool goods = false, partners = false, catalogs = false, docs = false;
  bool dryRun = false;
};

// Ctrl-C (or SIGTERM) during a load ends tirdex at once, as before; the load's transaction was
// not committed, so the base is as it was, and the user is told so. The commit itself runs with
// both signals held back, so the message is never wrong about a load saved at that moment.
std::atomic<bool> gLoadSaved{false};

extern "C" void OnInterruptedLoad(int signal) {
  const char* text = gLoadSaved.load()
                         ? "\ntirdex: interrupted; the load had already been saved\n"
                         : "\ntirdex: interrupted; the load was not finished and nothing was "
                           "written\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, std::strlen(text));
  std::signal(signal, SIG_DFL);
  std::raise(signal);  // delivered when the handler returns: the usual end by that signal
}

class InterruptMessage {
 public:
  InterruptMessage() {
    gLoadSaved = false;
    std::signal(SIGINT, OnInterruptedLoad);
    std::signal(SIGTERM, OnInterruptedLoad);
  }
  ~InterruptMessage() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
  }
  InterruptMessage(const InterruptMessage&) = delete;
  InterruptMessage& operator=(const InterruptMessage&) = delete;
};

// The load's connection as the atomic load sees it: the commit runs with SIGINT and SIGTERM
// blocked and marks the load saved before they are let through.
class CommitMarkingConnection : public db::Connection {
 public:
  explicit CommitMarkingConnection(db::Connection& base) : base_(base) {}
  db::DbKind Kind() const override { return base_.Kind(); }
  std::unique_ptr<db::Statement> Prepare(const std::string& sql,
                                         const std::vector<std::string>& names) override {
    return base_.Prepare(sql, names);
  }
  bool InTransaction() const override { return base_.InTransaction(); }
  void StartTransaction() override { base_.StartTransaction(); }
  void Rollback() override { base_.Rollback(); }
  void Commit() override {
    sigset_t stops, before;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    struct Restore {
      sigset_t mask;
      ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } restore{before};
    base_.Commit();
    gLoadSaved = true;
  }

 private:
  db::Connection& base_;
};

// "saving documents... N, R documents/s" or "posting documents... D of T, R documents/s, about
// S s left".
std::string DocsProgressText(bool posting, std::size_t done, std::size_t total, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  std::ostringstream text;
  text << "tirdex: " << (posting ? "posting" : "saving") << " documents... " << done;
  if (total > 0) text << " of " << total;
  text << ", " << std::fixed << std::setprecision(0) << rate << " documents/s";
  if (total > 0 && rate > 0) {
    text << ", about " << static_cast<double>(total - done) / rate << " s left";
  }
  return text.str();
}

// Runs one load and prints the outcome: progress lines and errors on stderr, the per-kind report
// on stdout. Exit code 1 when the load was refused or failed, or when pCheck (may be empty) names
// what the load did not find.
int RunLoad(const ImportOptions& o, const std::vector<import::TLoadStep>& steps,
            const std::function<std::string(const import::TLoadReport&)>& pCheck = {}) {
  // The loader's own message for a file it cannot open names neither the file nor the reason.
  int error = 0;
  if (std::FILE* probe = std::fopen(o.file.c_str(), "rb")) {
    if (std::fgetc(probe) == EOF && std::ferror(probe)) error = errno;  // a folder opens, unread
    std::fclose(probe);
  } else {
    error = errno;
  }
  if (error != 0)
    throw std::runtime_error("cannot read \"" + o.file + "\": " + std::strerror(error));
  std::unique_ptr<db::Connection> connection = OpenExistingBase(o.base);
  const hostkit::THostScope host(*connection);
  import::TDMJsonLoader loader;
  loader.SetConnection(connection.get());
  loader.mGoodsPauseMs = 0;
  // One progress line per step; the goods count updates the goods line.
  ProgressLine line;
  const InterruptMessage interrupted;
  CommitMarkingConnection committing(*connection);
  loader.mGoodsProgress = [&line](std::size_t n) {
    line.Show("tirdex: loading goods... " + std::to_string(n));
  };
  // Documents: the rate counts from the start of saving, or of posting; the line is redrawn at
  // most twice a second.
  using Clock = std::chrono::steady_clock;
  Clock::time_point phaseStart = Clock::now(), shownAt{};
  bool postingPhase = false;
  loader.mDocsProgress = [&](bool posting, std::size_t done, std::size_t total) {
    const auto now = Clock::now();
    if (posting != postingPhase || shownAt == Clock::time_point{}) {
      if (posting != postingPhase) phaseStart = now;
      postingPhase = posting;
    } else if (now - shownAt < std::chrono::milliseconds(500) && done != total) {
      return;
    }
    shownAt = now;
    line.Show(DocsProgressText(posting, done, total,
                               std::chrono::duration<double>(now - phaseStart).count()));
  };
  const import::TLoadOutcome out = import::RunAtomicLoad(
      loader, committing, o.file, steps, o.dryRun,
      [&line](const std::string& step) { line.Show("tirdex: loading " + step + "..."); }, true);
  line.Finish();
  std::cout << out.report.Text(200);
  const bool ok =
      out.result == import::TLoadResult::kDone || out.result == import::TLoadResult::kRolledBack;
  const std::string notFound = ok && pCheck ? pCheck(out.report) : std::string();
  if (!ok || !notFound.empty()) {
    std::cerr << "tirdex: " << (notFound.empty() ? out.message : notFound) << "\n";
    return kExitFailure;
  }
  std::cout << out.message << "\n";
  return kExitOk;
}

void AddBaseAndFile(CLI::App& cmd, ImportOptions& o) {
  AddBaseOption(cmd, o.base);
  cmd.add_option("FILE", o.file, "The JSON exchange file")->required();
}

void InstallImportCommands(CLI::App& app) {
  auto o = std::make_shared<ImportOptions>();

  CLI::App* imp = app.add_subcommand(
      "import",
      R"(Load an exchange JSON file into the base: catalogs with their group trees, partners with
contracts, goods with prices and recipes, and documents, which are posted after saving.
Rows are matched by GUID and only the values the file sends are written; rows and
documents equal to the stored ones are left as they are. Without a kind option all four
are loaded (catalogs, partners, goods, documents, in this order). The whole load is one
transaction: a damaged file, a database error or a document that refers to something
missing leaves the base as it was (exit code 1), and so does a file that holds none of
the asked sections or a universal file (load-universal reads those). Prints how many rows
of each kind were inserted, updated, identical, refused or skipped (rows without a usable
GUID), notes on values that could not be read (a GUID read as none, a date as -1) and on
GUIDs a file repeats (the later row is loaded), and every reference that was not found.
More than 1,000 documents are posted through the mass re-posting batch, in file order and
with the results of posting them one by one; meanwhile the load holds the mass re-posting
control, and it fails (nothing written) while another workstation re-posts the base.
Progress lines on stderr show documents saved and posted, per second and time left.)");
  AddBaseAndFile(*imp, *o);
  imp->add_flag("--goods", o->goods,
                "Load goods (with price names, classification codes, recipes)");
  imp->add_flag("--partners", o->partners, "Load partners and their contracts");
  imp->add_flag("--catalogs", o->catalogs,
                "Load every other catalog (stores, entities, users, ...)");
  imp->add_flag("--docs", o->docs, "Load and post documents");
  imp->add_flag("--dry-run", o->dryRun,
                "Analyse only: run the load, report what it would do, and roll it all back");
  imp->callback([o] {
    const bool all = !o->goods && !o->partners && !o->catalogs && !o->docs;
    RunCommand("import", [&] {
      return RunLoad(*o, import::FileLoadSteps(all || o->catalogs, all || o->partners,
                                               all || o->goods, all || o->docs));
    });
  });

  CLI::App* mobile = app.add_subcommand(
      "import-mobile",
      R"(Save the orders of a mobile agent's JSON file (array "docs" with "docgoods" lines).
An order already in the base gets its new sum and lines; lines whose goods are not in the
base are left out. Orders are not posted. One transaction; exit code 1 on failure.)");
  AddBaseAndFile(*mobile, *o);
  mobile->callback([o] {
    RunCommand("import-mobile", [&] {
      return RunLoad(
          *o, {{"mobile orders", [](import::TDMJsonLoader& l) { l.SaveDocFromMobileAgent(); }}});
    });
  });

  CLI::App* cook = app.add_subcommand(
      "cook-status",
      R"(Apply a kitchen status change from a JSON file (object "ordercookdoc" with "lid", the
document id, "orderposindoc", the line position, and "orderstatus"). Exit code 1 on
failure and when the document or its line is not in the base (named on stderr).)");
  AddBaseAndFile(*cook, *o);
  cook->callback([o] {
    RunCommand("cook-status", [&] {
      return RunLoad(*o, {{"cook status", [](import::TDMJsonLoader& l) { l.ChangeCookStatus(); }}},
                     [](const import::TLoadReport& r) {
                       std::string text;
                       for (const import::TLoadNote& m : r.missing)
                         text += (text.empty() ? "" : "; ") + m.Text();
                       for (const auto& [kind, n] : r.kinds) {
                         if (kind == "cook status" && n.refused > 0 && text.empty())
                           text =
                               "ordercookdoc needs \"lid\", \"orderposindoc\" and \"orderstatus\"";
                       }
                       return text.empty() ? text : "nothing changed: " + text;
                     });
    });
  });
}

const bool registered = RegisterCommands("import", InstallImportCommands);

}  // namespace
}  // namespace tir::tirdex
