#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "host/exchange/exchange_commands.h"
#include "import/json_loader.h"

namespace tir::db {
class Connection;
}
namespace tir::exporting {
class TDNJSonBuilder;
}

namespace tir::exchange {

constexpr std::size_t kDefaultMaxBody = std::size_t{64} << 20;  // 64 MB

// The answer to one request. status is the HTTP status and equals the "error" of an error
// answer's "info" block (200 for a good answer).
struct TExchangeAnswer {
  int status = 200;
  std::string body;
  std::string tokenName;  // the profile's name, empty when the token was not accepted
  std::string command;    // the request's command words
  std::int64_t rows = 0;  // rows sent (export) or read (import)
  std::int64_t docs = 0;  // documents sent in the answer's batch, or received
  std::string note;       // why the request was refused, for the log
  std::string refusal;    // the "errorTxt" the peer was given
  std::string contentType = "application/json";
  // Not set by this service: a peer's documents become its own when it acknowledges their
  // batch, not when an answer was written (kept for servers that still ask).
  std::shared_ptr<exporting::TDNJSonBuilder> delivery;
};

// What the services of one base share across the server's workers: the lock under which requests
// that write run one at a time, and the request size limit.
struct TServiceShared {
  std::mutex writeLock;
  std::size_t maxBody = kDefaultMaxBody;
};

// The exchange service of one base: takes a request envelope and gives the answer. The base must
// stay open for the service's lifetime. Each worker of a server holds its own service on its own
// connection to the base, all with one TServiceShared: answers are built concurrently, while
// everything that writes (imports, document batches, acknowledgements) runs under the shared
// write lock, each in one transaction. Opening the service adds the exchange's ledger tables and
// triggers to a base that lacks them.
//
// Each token profile is a peer. A documents request answers the documents of the peer's scope
// that it does not hold in their current change stamp, as one batch whose id the answer's "info"
// carries ("batch"); that batch is answered again until the peer acknowledges it ("ack" in the
// "request" object of a later request), and only then are its documents the peer's.
class TExchangeService {
 public:
  TExchangeService(db::Connection& pConnection, TServiceShared& pShared);
  ~TExchangeService();
  TExchangeService(const TExchangeService&) = delete;
  TExchangeService& operator=(const TExchangeService&) = delete;

  TExchangeAnswer Handle(const std::string& pBody);
  // The operator's page of the peers (HTML, or JSON when pJson), for a request from loopback or
  // with an administration token as pBearer; 403 for any other. Only reads.
  TExchangeAnswer Status(bool pJson, const std::string& pBearer, bool pLoopback);
  // Called when the answer has been written: nothing to do, as delivery waits for the peer's
  // acknowledgement; always true.
  bool Delivered(TExchangeAnswer& pAnswer, bool pComplete);

  std::size_t MaxBody() const { return mMaxBody; }
  std::string BaseGUID();
  // One log line: local time, peer, token name, command, status, rows, bytes and milliseconds.
  static std::string LogLine(const TExchangeAnswer& pAnswer, const std::string& pPeer,
                             double pMilliseconds, const std::string& pDelivery);

 private:
  void HandleRequest(const std::string& pBody, TExchangeAnswer& pAnswer);
  void RecordPeer(const TExchangeAnswer& pAnswer);
  void Refuse(TExchangeAnswer& pAnswer, int pStatus, const std::string& pText);
  void Import(const std::string& pBody, TRequestKind pKind, const TTirTokenOne& pToken,
              TExchangeAnswer& pAnswer);
  void Export(const TCommandPlan& pPlan, const TTirTokenOne& pToken, bool pUsers,
              TExchangeAnswer& pAnswer);

  db::Connection& mConnection;
  TServiceShared& mShared;
  std::size_t mMaxBody;
  import::TDMJsonLoader mLoader;
};

}  // namespace tir::exchange
