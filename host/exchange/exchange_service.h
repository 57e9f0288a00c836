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
  std::string note;       // why the request was refused, for the log
  // The builder of an answer that carries undelivered documents: they are marked as delivered
  // (MarkLastDocsAsSended) once the answer has reached the client in full.
  std::shared_ptr<exporting::TDNJSonBuilder> delivery;
};

// What the services of one base share across the server's workers: the lock under which requests
// that write run one at a time, and the request size limit.
struct TServiceShared {
  std::mutex writeLock;
  std::size_t maxBody = kDefaultMaxBody;
};

// The exchange service of one base: takes a request envelope and gives the answer. Requests run
// one at a time; the base must stay open for the service's lifetime. Each worker of a server
// holds its own service on its own connection to the base, all with one TServiceShared.
class TExchangeService {
 public:
  TExchangeService(db::Connection& pConnection, TServiceShared& pShared);
  ~TExchangeService();
  TExchangeService(const TExchangeService&) = delete;
  TExchangeService& operator=(const TExchangeService&) = delete;

  TExchangeAnswer Handle(const std::string& pBody);
  // Called when the answer has been written: complete tells whether the client received all of
  // it. Marks the answer's documents as delivered only then; false when marking failed.
  bool Delivered(TExchangeAnswer& pAnswer, bool pComplete);

  std::size_t MaxBody() const { return mMaxBody; }
  std::string BaseGUID();
  // One log line: local time, peer, token name, command, status, rows, bytes and milliseconds.
  static std::string LogLine(const TExchangeAnswer& pAnswer, const std::string& pPeer,
                             double pMilliseconds, const std::string& pDelivery);

 private:
  void HandleLocked(const std::string& pBody, TExchangeAnswer& pAnswer);
  void Refuse(TExchangeAnswer& pAnswer, int pStatus, const std::string& pText);
  void Import(const std::string& pBody, TRequestKind pKind, TExchangeAnswer& pAnswer);
  void Export(const TCommandPlan& pPlan, const TTirTokenOne& pToken, TExchangeAnswer& pAnswer);

  db::Connection& mConnection;
  TServiceShared& mShared;
  std::size_t mMaxBody;
  import::TDMJsonLoader mLoader;
};

}  // namespace tir::exchange
