#pragma once

// A head office base served by tirdex serve behind a checking proxy, and shop bases that sync
// with it through the real tirdex binary, over loopback.
#include <httplib.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace tir::test {

// The rows of two row texts that the other lacks ("-" only in pExpected, "+" only in pActual),
// at most 10 of them; empty when both hold the same rows.
std::string RowDiff(const std::string& pExpected, const std::string& pActual);

// A sale of one line (3 x 10.00) inserted by plain SQL, with the GUID pair g1, g2, in the first
// store and entity that match the SQL conditions, of the pGood-th good.
struct TSale {
  std::string g1, g2;
  std::string store = "1=1", entity = "1=1";  // conditions on tirStores, tirEntities
  std::string desc = "shop sale";
  int num = 777, good = 0;
};
void InsertSale(const std::string& pBase, const TSale& pSale);

// What a token may read: documents of one store and entity (0: any), users or not.
struct TPeerScope {
  std::string storeGuid, entityGuid;  // 36-character texts; empty: any
  bool users = false;
};

// Forwards every POST to the service and checks each answer against the asking token's scope:
// a document outside it, or users sent to a peer without the users permission, is a violation.
// The service can be restarted on another port while the proxy stays.
class TCheckingProxy {
 public:
  TCheckingProxy();
  ~TCheckingProxy();
  int Port() const { return mPort; }
  void SetTarget(int pPort) { mTarget = pPort; }
  void AddPeer(const std::string& pToken, TPeerScope pScope);
  std::vector<std::string> Violations();
  std::int64_t DocsChecked() const { return mDocsChecked; }
  // Called with every request and answer body that passed (may be empty).
  std::function<void(const std::string& request, const std::string& answer)> onAnswer;
  // Requests whose body contains this text are answered 502 without reaching the service.
  std::string dropWhen;

 private:
  void Check(const std::string& pRequest, const std::string& pAnswer);

  httplib::Server mServer;
  std::thread mThread;
  int mPort = 0;
  std::atomic<int> mTarget{0};
  std::mutex mMutex;
  std::map<std::string, TPeerScope> mPeers;
  std::vector<std::string> mViolations;
  std::atomic<std::int64_t> mDocsChecked{0};
};

// The head office: a demo base with the given goods and documents, its service and the proxy in
// front.
class THeadOffice {
 public:
  // pDocs < 0: as many documents as goods.
  explicit THeadOffice(int pGoods, int pDocs = -1);
  ~THeadOffice();
  const std::string& Base() const { return mBase; }
  std::string Url() const;
  TCheckingProxy& Proxy() { return *mProxy; }
  int ServicePort() const { return mServicePort; }  // tirdex serve itself, behind the proxy
  void StartService();
  void KillService();  // SIGKILL
  // Adds a token profile; pArgs are the extra options of tirdex tokens add.
  void AddToken(const std::string& pName, const std::string& pToken,
                const std::vector<std::string>& pArgs, TPeerScope pScope);
  // The 36-character GUID text of a row.
  std::string Guid(const std::string& pTable, std::int64_t pId);

 private:
  std::string mBase;
  std::unique_ptr<TCheckingProxy> mProxy;
  TirdexProcess mServe;
  int mServicePort = 0;
};

const std::string& TirdexFile();

}  // namespace tir::test
