#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/exchange/exchange_http.h"
#include "import/json_loader.h"
#include "import/json_loader_atomic.h"

namespace tir::db {
class Connection;
}

namespace tir::exchange {

struct TSyncOptions {
  std::string url;
  std::string token;
  double partnersDays = 1.0;    // ask for partners and contracts when the last load is this old
  double catalogsDays = 1.0;    // the same for the other catalogs
  int maxDocRounds = 1000;      // document requests per sync at most
  bool pull = true;             // ask the service for catalogs, goods and documents
  bool push = true;             // send this base's own new and changed documents
  bool full = false;            // ask for every catalog and all goods whatever the snapshots say
  std::size_t pushPiece = 300;  // documents per push envelope
  THttpOptions http;            // time limit, stop flag, TLS and answer size of each request
  std::function<void(const std::string&)> say;  // progress lines (may be empty)
};

struct TSyncResult {
  bool ok = true;
  std::string message;         // why the sync stopped (empty when it went through)
  std::int64_t goodsSent = 0;  // goods the service sent ("goodsCount" of its answers)
  // The service's goods snapshot equals the one this base holds, so no goods were sent (0 when
  // goods were sent or the base had none yet).
  std::int64_t unchangedSnapshot = 0;
  std::int64_t docs = 0;    // documents received
  std::int64_t pushed = 0;  // documents the service accepted from this base
  std::string report;       // what the loads wrote, per kind
};

// The client side of the exchange: asks a service for catalogs and goods (getJsonReq) and then
// for documents (getDocFromCBJsonReq, repeated while answers bring documents), and loads each
// answer in one transaction together with the counters it advances. The goods snapshot and the
// load times are kept in the base (tirSettings, fMId 470: fPType -47 the snapshot in fPI and the
// goods load time in fPDate, -49 and -50 the partners and catalogs load times), beside the row-id
// counters of the loader. A refused or failed answer writes nothing; documents refused because they
// name catalog rows this base lacks are loaded again once every catalog has been asked for.
//
// A documents answer is one batch of the service: its documents are recorded as received (with
// their change stamps, in the load's transaction), and only after the load committed is the batch
// acknowledged, in the next documents request or alone. A sync that dies in between gets the same
// batch again and loads it again by GUID. The push then sends the documents created or changed
// here since they were last received or pushed, in "docstirformat001" envelopes, recording each
// piece only after the service's 200 (exchange_client_ledger.h).
class TSyncClient {
 public:
  TSyncClient(db::Connection& pConnection, TSyncOptions pOptions);
  TSyncResult RunOnce();

 private:
  // Posts pRequest, checks the answer and loads it with pSteps; false when the sync must stop.
  // A document answer refused for missing references is loaded again after every catalog.
  bool Exchange(const std::string& pRequest, const char* pWhat,
                const std::vector<import::TLoadStep>& pSteps, TSyncResult& pResult,
                bool pDocuments);
  // Posts pBody, writing the answer into pFile; a refused or dropped connection is tried again
  // a few times after a pause (every request of a sync may be repeated).
  THttpResult Post(const std::string& pBody, const std::string& pFile);
  // Loads an answer file in one transaction, after checking its "info", with the counters.
  import::TLoadOutcome Load(const std::string& pFile, std::vector<import::TLoadStep> pSteps);
  // Runs the document rounds of a pull, acknowledging each batch after its load.
  bool PullDocuments(TSyncResult& pResult);
  // Posts a request whose answer is only an "info" object; its "error" (0 when none came) and
  // text in pText. False with pResult's message when nothing usable came back.
  bool PostForInfo(const std::string& pBody, const char* pWhat, TSyncResult& pResult, int& pStatus,
                   std::string& pText);
  bool Acknowledge(TSyncResult& pResult);
  bool Push(TSyncResult& pResult);
  void LoadState();
  void SaveState(import::TDMJsonLoader& pLoader);
  void ForgetLoadTimes();

  db::Connection& mConnection;
  TSyncOptions mOptions;
  import::TDMJsonLoader mLoader;
  // The stored values, to write only what changed.
  std::int64_t mSnapshot = 0, mGoodRowId = 0, mDocRowId = 0;
  double mGoodsTime = 0, mPartnersTime = 0, mCatalogsTime = 0;
  std::string mBatch;             // the batch of the last documents answer, read while it loads
  std::string mUnacked;           // a loaded batch not yet acknowledged
  std::int64_t mStampBefore = 0;  // the base's highest change stamp before a documents load
};

}  // namespace tir::exchange
