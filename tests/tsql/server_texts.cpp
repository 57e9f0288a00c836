#include "server_texts.h"

#include <functional>
#include <regex>
#include <set>

#include "db/query.h"
#include "db/statement_recorder.h"
#include "posting/main_provodka.h"
#include "posting/mass_repost_run.h"
#include "recording_connection.h"
#include "tree/tree_functions.h"
#include "tree/tree_integrity.h"
#include "tree/tree_repair.h"

namespace tir::tsql {

namespace {

using db::Value;
using db::testkit::RecordingConnection;

// Runs `step`; a failure for want of rows (the connection answers with none unless told) ends
// only that step, since what counts here is the texts sent until then.
void Attempt(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

void TreeOperations(RecordingConnection& conn) {
  db::Query q(conn);
  const std::string t = "tirGoodsGroups";
  int newId = 0;
  std::string report;
  Attempt([&] { tree::gTreeFunc_GetRootID(q, t); });
  Attempt([&] { tree::gTreeFunc_AddNode(q, t, 2, "A", newId); });
  Attempt([&] { tree::gTreeFunc_AddChieldNode(q, t, 2, "B", newId, 1); });
  Attempt([&] { tree::gTreeFunc_DeleteNode(q, t, 3); });
  Attempt([&] { tree::gTreeFunc_DeleteSubtree(q, t, 3); });
  Attempt([&] { tree::gTreeFunc_UpdateNode(q, t, 3, "C"); });
  Attempt([&] { tree::gTreeFunc_UpdateNodeGUID(q, t, 3, "A0000000-0000-0000-0000-00000000000A"); });
  Attempt([&] { tree::gTreeFunc_ChangeParentEx(q, t, 3, 2, tree::tipFirstChild); });
  Attempt([&] { tree::gTreeFunc_MoveSibling(q, t, 3, tree::smdDown); });
  Attempt([&] { tree::gTreeFunc_FindOrCreateGroupByPath(q, t, "A\\B"); });
  Attempt([&] { tree::gTreeFunc_CheckIntegrity(q, t, report); });
  Attempt([&] { tree::gTreeFunc_RepairSafeSmart(q, t, "Root"); });
}

// Posting and unposting of a document of each type, with a register row to remove, the control
// row of mass re-posting, balances and a short mass re-posting.
void Postings(RecordingConnection& conn) {
  posting::TDMMainProvodka engine;
  engine.SetConnectToDB(&conn);
  conn.AddResult("FROM [tirAStore] t1", {"fId", "fGoodId", "fEntId", "fStoreId", "fSum", "fQtty"},
                 {{Value::Int64(1), Value::Int64(9), Value::Int64(1), Value::Int64(1),
                   Value::Double(40), Value::Double(4)}});
  conn.AddResult("FROM tirCashAccounts", {"fType"}, {{Value::Int64(1)}});
  for (int type = 1; type <= 15; ++type) {
    for (const int state : {0, 3}) {
      conn.AddResult("FROM tirDocuments t1",
                     {"fId", "fDocType", "fState", "fEntityId", "fStoreId", "fDateTime", "fDocSum",
                      "fCurrRate", "fPartnerId", "fCashAccountId"},
                     {{Value::Int64(5), Value::Int64(type), Value::Int64(state), Value::Int64(1),
                       Value::Int64(1), Value::DateTime(45000), Value::Double(10), Value::Double(1),
                       Value::Int64(7), Value::Int64(3)}});
      Attempt([&] { engine.Provodka(5, kPostOn, false, true); });
      Attempt([&] { engine.Provodka(5, kPostOff, false, false); });
      conn.Clear();  // drops the answers too; the statements are already recorded
      conn.AddResult("FROM [tirAStore] t1",
                     {"fId", "fGoodId", "fEntId", "fStoreId", "fSum", "fQtty"},
                     {{Value::Int64(1), Value::Int64(9), Value::Int64(1), Value::Int64(1),
                       Value::Double(40), Value::Double(4)}});
    }
  }
  Attempt([&] { engine.GetMoneySettlement(1, 0); });
  Attempt([&] { engine.RebuildStores(); });
  Attempt([&] { engine.RebuildStoresFull(); });
  Attempt([&] { engine.ClearAllRegisters(); });
  // One control row that the run can take, so that the whole of taking it is sent.
  conn.AddResult("SELECT COUNT(*) AS fCount FROM tirSettings", {"fCount"}, {{Value::Int64(1)}});
  conn.SetRowsChanged("UPDATE tirSettings SET fPI=1", 1);
  Attempt([&] { engine.TryBeginMassRepostControl(45000); });
  Attempt([&] { engine.TouchMassRepostControl(); });
  Attempt([&] { engine.IsMassRepostControlActive(); });
  Attempt([&] { engine.MassRepostControlDateFrom(); });
  Attempt([&] { engine.SetMassRepostControl(false, 45000); });
  posting::TMassRepostOptions options;
  options.full = true;
  Attempt([&] { posting::RunMassRepost(engine, conn, options); });
}

}  // namespace

std::vector<NamedText> ServerStatements(const std::string& recordFile,
                                        const std::string& sharedFile) {
  std::vector<NamedText> texts;
  std::size_t n = 0;
  for (const auto& text : db::ReadStatementFile(recordFile)) {
    texts.push_back({"run " + std::to_string(++n), text});
  }

  db::StatementSet server(db::DbKind::kMSSQL);
  db::SetStatementRecorder(&server);
  RecordingConnection conn(db::DbKind::kMSSQL);
  TreeOperations(conn);
  Postings(conn);
  db::SetStatementRecorder(nullptr);
  n = 0;
  for (const auto& statement : server.Statements()) {
    texts.push_back({"server " + std::to_string(++n), statement.text});
  }
  static const std::regex number("[0-9]+");
  std::set<std::string> shapes;
  n = 0;
  for (const auto& text : db::ReadStatementFile(sharedFile)) {
    if (shapes.insert(std::regex_replace(text, number, "0")).second) {
      texts.push_back({"shared " + std::to_string(++n), text});
    }
  }
  return texts;
}

}  // namespace tir::tsql
