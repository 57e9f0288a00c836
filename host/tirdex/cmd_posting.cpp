// tirdex post / rebuild-balances / clear-registers / balance: the posting engine run on a base the
// way the host runs it: the command opens the base, hands the connection to the engine and sets
// the application parameters the engine reads (SQLite base kind, the signed-in user).

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <exception>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "db/date_time.h"
#include "db/query.h"
#include "db/sqlite_connection.h"
#include "frame/app_globals.h"
#include "host/kit/tir_host_loader.h"
#include "host/tirdex/command_options.h"
#include "host/tirdex/command_registry.h"
#include "host/tirdex/command_runner.h"
#include "host/tirdex/posting_session.h"
#include "host/tirdex/progress_line.h"
#include "host/tirdex/tirdex_files.h"
#include "posting/main_provodka.h"
#include "settings/tir_codes.h"

namespace tir::tirdex {
namespace {

// The base and the signed-in user of every posting command.
struct SessionOptions {
  std::string base;
  std::int32_t user = 1;
};

struct PostOptions {
  SessionOptions session;
  std::int64_t docId = 0;
  bool all = false;
  int cmd = 0;
  std::string from;
  std::string to;
  bool rebuild = false;
};

struct BalanceOptions {
  SessionOptions session;
  std::int64_t contract = 0;
  std::int64_t transaction = 0;
};

// Register row counts, for reporting what a command changed.
struct RegisterCounts {
  std::int64_t store = 0, settlements = 0, payments = 0, balances = 0;
};

std::int64_t CountRows(db::Connection& connection, const std::string& sql, std::int64_t id = 0) {
  db::Query q(connection);
  q.SetSql(sql);
  if (q.HasParam("pId")) q.ParamByName("pId").SetInt64(id);
  q.Open();
  return q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
}

RegisterCounts CountRegisters(db::Connection& connection) {
  RegisterCounts c;
  c.store = CountRows(connection, "SELECT COUNT(*) FROM tirAStore;");
  c.settlements = CountRows(connection, "SELECT COUNT(*) FROM tirAMSettlement;");
  c.payments = CountRows(connection, "SELECT COUNT(*) FROM tirAPayments;");
  c.balances = CountRows(connection, "SELECT COUNT(*) FROM tirAStoreNow;");
  return c;
}

RegisterCounts CountDocumentRows(db::Connection& connection, std::int64_t docId) {
  RegisterCounts c;
  c.store = CountRows(connection, "SELECT COUNT(*) FROM tirAStore WHERE fDocId = :pId;", docId);
  c.settlements =
      CountRows(connection, "SELECT COUNT(*) FROM tirAMSettlement WHERE fDocId = :pId;", docId);
  c.payments =
      CountRows(connection, "SELECT COUNT(*) FROM tirAPayments WHERE fDocId = :pId;", docId);
  return c;
}

std::string Change(std::int64_t before, std::int64_t after) {
  return std::to_string(before) + " -> " + std::to_string(after);
}

void PrintRegisterChange(const RegisterCounts& before, const RegisterCounts& after,
                         bool withBalances) {
  std::cout << "  tirAStore rows:       " << Change(before.store, after.store) << "\n"
            << "  tirAMSettlement rows: " << Change(before.settlements, after.settlements) << "\n"
            << "  tirAPayments rows:    " << Change(before.payments, after.payments) << "\n";
  if (withBalances) {
    std::cout << "  tirAStoreNow rows:    " << Change(before.balances, after.balances) << "\n";
  }
}

const char* DocTypeCaption(std::int64_t type) {
  switch (static_cast<std::int32_t>(type)) {
    case kDocReceipt:
      return "Приход";
    case kDocSale:
      return "Продажа";
    case kDocMoneyIn:
      return "Поступление денежных средств";
    case kDocMoneyOut:
      return "Расход денежных средств";
    case kDocCustomerOrder:
      return "Заказ покупателя";
    case kDocSupplierOrder:
      return "Заказ поставщику";
    case kDocStoreMove:
      return "Перемещение";
    case kDocWriteOff:
      return "Списание";
    case kDocTakeOnStock:
      return "Оприходование";
    case kDocCustomerReturn:
      return "Возврат покупателя";
    case kDocSupplierReturn:
      return "Возврат поставщику";
    case kDocProduction:
      return "Производство";
    case kDocInventory:
      return "Переучет";
    case kDocRevaluation:
      return "state only, no register rows";
    default:
      return "left as it is";
  }
}

// The engine opens no transaction of its own; each command's work runs in one, so that a failing
// write or an interrupted run (Ctrl-C ends the process before the commit) leaves the base as it
// was.
template <typename Work>
void InOneTransaction(db::Connection& connection, Work work) {
  connection.StartTransaction();
  try {
    work();
  } catch (...) {
    connection.Rollback();
    throw;
  }
  connection.Commit();
}

struct DocRow {
  bool found = false;
  std::int64_t type = 0;
  std::int64_t state = 0;
};

DocRow ReadDoc(db::Connection& connection, std::int64_t id) {
  db::Query q(connection);
  q.SetSql("SELECT fDocType, fState FROM tirDocuments WHERE fId = :pId;");
  q.ParamByName("pId").SetInt64(id);
  q.Open();
  DocRow row;
  if (q.Eof()) return row;
  row.found = true;
  row.type = q.FieldByName("fDocType").AsInt64();
  row.state = q.FieldByName("fState").AsInt64();
  return row;
}

int PostOne(const PostOptions& o) {
  PostingSession session(o.session.base, o.session.user);
  db::Connection& conn = session.connection();
  const DocRow before = ReadDoc(conn, o.docId);
  if (!before.found) {
    std::cerr << "tirdex: no document " << o.docId << " in " << o.session.base << "\n";
    return kExitFailure;
  }
  if (RefuseWhileMassRepost(session)) return kExitFailure;
  const RegisterCounts rowsBefore = CountDocumentRows(conn, o.docId);
  InOneTransaction(conn, [&] { session.engine().Provodka(o.docId, o.cmd, false, false); });
  const DocRow after = ReadDoc(conn, o.docId);
  const RegisterCounts rowsAfter = CountDocumentRows(conn, o.docId);
  std::cout << "document " << o.docId << ", type " << before.type << " ("
            << DocTypeCaption(before.type) << "), command " << o.cmd << "\n"
            << "  state: " << Change(before.state, after.state) << "\n";
  PrintRegisterChange(rowsBefore, rowsAfter, false);
  return kExitOk;
}

int PostAll(const PostOptions& o) {
  const std::optional<Period> period = ReadPeriod(o.from, o.to);
  if (!period) return Fail("post", "--from and --to are dates", kExitUsage);
  const auto& [from, to, toExcluded] = *period;
  PostingSession session(o.session.base, o.session.user);
  db::Connection& conn = session.connection();
  if (RefuseWhileMassRepost(session)) return kExitFailure;

  std::string sql = "SELECT fId FROM tirDocuments WHERE 1=1";
  if (from) sql += " AND fDateTime >= :pFrom";
  if (to) sql += toExcluded ? " AND fDateTime < :pTo" : " AND fDateTime <= :pTo";
  sql += " ORDER BY fDateTime, fId;";
  db::Query docs(conn);
  docs.SetSql(sql);
  if (from) docs.ParamByName("pFrom").SetDateTime(*from);
  if (to) docs.ParamByName("pTo").SetDateTime(*to);
  docs.Open();
  std::vector<std::int64_t> ids;
  ids.reserve(docs.RecordCount());
  for (; !docs.Eof(); docs.Next()) ids.push_back(docs.FieldByIndex(0).AsInt64());
  docs.Close();

  const RegisterCounts before = CountRegisters(conn);
  const auto start = std::chrono::steady_clock::now();
  ProgressLine line;
  constexpr std::size_t kProgressEvery = 500;
  const std::size_t total = ids.size();
  std::size_t done = 0;
  try {
    InOneTransaction(conn, [&] {
      if (o.rebuild) session.engine().RebuildStoresFull();
      for (const std::int64_t id : ids) {
        session.engine().Provodka(id, o.cmd, false, false);
        ++done;
        if (done % kProgressEvery == 0 || done == total) {
          line.Show("posted " + std::to_string(done) + " of " + std::to_string(total) +
                    " documents");
        }
      }
    });
  } catch (...) {
    line.Finish();
    std::cerr << "tirdex: stopped at document " << (done < total ? ids[done] : 0)
              << "; nothing was changed\n";
    throw;
  }
  line.Finish();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const RegisterCounts after = CountRegisters(conn);
  std::cout << "posted " << total << " documents with command " << o.cmd;
  if (from || to) std::cout << " (period " << o.from << " .. " << o.to << ")";
  std::cout << " in " << std::fixed << std::setprecision(2) << seconds << " s";
  if (seconds > 0 && total > 0)
    std::cout << ", " << std::setprecision(0) << total / seconds << " documents/s";
  std::cout << "\n";
  if (o.rebuild) std::cout << "  balances rebuilt before posting\n";
  PrintRegisterChange(before, after, o.rebuild);
  db::Query states(conn);
  states.SetSql(
      "SELECT fState, COUNT(*) AS fCount FROM tirDocuments GROUP BY fState ORDER BY fState;");
  states.Open();
  std::cout << "  documents by state:";
  for (; !states.Eof(); states.Next()) {
    std::cout << " " << states.FieldByName("fState").AsInt64() << ": "
              << states.FieldByName("fCount").AsInt64();
  }
  std::cout << "\n";
  return kExitOk;
}

int RunPost(const PostOptions& o) {
  if (o.all == (o.docId != 0)) return Fail("post", "give either DOC_ID or --all", kExitUsage);
  if (o.all) return PostAll(o);
  if (o.docId < 0) return Fail("post", "DOC_ID must be positive", kExitUsage);
  return PostOne(o);
}

int RunRebuild(const SessionOptions& o) {
  PostingSession session(o.base, o.user);
  db::Connection& conn = session.connection();
  const std::int64_t rowsBefore = CountRows(conn, "SELECT COUNT(*) FROM tirAStoreNow;");
  InOneTransaction(conn, [&] { session.engine().RebuildStoresFull(); });
  const std::int64_t rowsAfter = CountRows(conn, "SELECT COUNT(*) FROM tirAStoreNow;");
  const std::int64_t nonZero = CountRows(
      conn, "SELECT COUNT(*) FROM tirAStoreNow WHERE abs(fQtty) > 1e-9 OR abs(fSum) > 1e-9;");
  std::cout << "balances rebuilt from " << CountRows(conn, "SELECT COUNT(*) FROM tirAStore;")
            << " movements\n"
            << "  tirAStoreNow rows: " << Change(rowsBefore, rowsAfter) << " (" << nonZero
            << " not zero)\n";
  return kExitOk;
}

int RunClear(const SessionOptions& o) {
  PostingSession session(o.base, o.user);
  const RegisterCounts before = CountRegisters(session.connection());
  InOneTransaction(session.connection(), [&] { session.engine().ClearAllRegisters(); });
  const RegisterCounts after = CountRegisters(session.connection());
  std::cout << "registers cleared (balances kept; run rebuild-balances to zero them)\n";
  PrintRegisterChange(before, after, false);
  return kExitOk;
}

int RunBalance(const BalanceOptions& o) {
  PostingSession session(o.session.base, o.session.user);
  const long double sum = session.engine().GetMoneySettlement(o.contract, o.transaction);
  std::cout << "settlement balance of contract " << o.contract;
  if (o.transaction != 0) std::cout << ", transaction " << o.transaction;
  std::cout << ": " << std::fixed << std::setprecision(2) << static_cast<double>(sum) << "\n";
  return kExitOk;
}

void AddSessionOptions(CLI::App& cmd, SessionOptions& o) {
  AddBaseOption(cmd, o.base);
  cmd.add_option("--user", o.user, "Id of the signed-in user written to the log (default 1)");
}

void InstallPostingCommands(CLI::App& app) {
  auto o = std::make_shared<PostOptions>();

  CLI::App* post = app.add_subcommand(
      "post",
      R"(Post documents into the registers (stock movements with their balances, settlements,
payments) and set their state. With DOC_ID one document; with --all every document of
the base, or of the period --from/--to, one by one in date order with a progress line on
stderr. The whole run is one transaction: if it fails or is interrupted, nothing changes.
--cmd: 0 post (default), 1 unpost, 2 delete, 20 re-post (only documents in state
0 or 3 are posted, others just lose their entries). Prints the state and register rows
before and after. Refuses while a mass re-posting holds the base.)");
  AddSessionOptions(*post, o->session);
  post->add_option("DOC_ID", o->docId, "Id of the document to post");
  post->add_flag("--all", o->all, "Post every document (of the period)");
  post->add_option("--cmd", o->cmd, "Posting command: 0, 1, 2 or 20 (default 0)")
      ->check(CLI::IsMember({0, 1, 2, 20}));
  AddPeriodOptions(*post, "--from", o->from, "--to", o->to, "With --all: ");
  post->add_flag("--rebuild", o->rebuild,
                 "With --all: rebuild the balances first, so that every entity x store x good\n"
                 "has a balance row and outgoing goods are valued at the stores' average cost");
  OnRun(*post, o, RunPost);

  CLI::App* rebuild = app.add_subcommand(
      "rebuild-balances",
      R"(Recreate the current stock balances (tirAStoreNow): a row for every legal entity x store
x good, holding the signed sums of the movements in tirAStore. Prints the row counts.)");
  auto session = std::make_shared<SessionOptions>();
  AddSessionOptions(*rebuild, *session);
  OnRun(*rebuild, session, RunRebuild);

  CLI::App* clear = app.add_subcommand(
      "clear-registers",
      R"(Empty the registers tirAStore, tirAMSettlement and tirAPayments; document states and
the balances in tirAStoreNow are left as they are. Prints the rows removed.)");
  AddSessionOptions(*clear, *session);
  OnRun(*clear, session, RunClear);

  CLI::App* balance = app.add_subcommand(
      "balance",
      R"(Print the settlement balance of a contract: the signed sum of its settlement rows, of
one transaction with --transaction, of all transactions without it.)");
  auto sums = std::make_shared<BalanceOptions>();
  AddSessionOptions(*balance, sums->session);
  balance->add_option("--contract", sums->contract, "Id of the contract")->required();
  balance->add_option("--transaction", sums->transaction, "Id of the transaction (default: all)");
  OnRun(*balance, sums, RunBalance);
}

const bool registered = RegisterCommands("posting", InstallPostingCommands);

}  // namespace
}  // namespace tir::tirdex
