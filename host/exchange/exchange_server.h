#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tir::db {
class Connection;
}

namespace tir::exchange {

struct TServerOptions {
  std::string host = "127.0.0.1";  // a numeric IPv4 or IPv6 address
  int port = 8410;                 // 0 picks a free one (Port() tells which)
  std::size_t workers = 4;
  std::size_t maxBody = std::size_t{64} << 20;
  std::string tlsCert, tlsKey;  // PEM texts; both empty: plain HTTP
  // Opens one more connection to the base; every worker holds its own.
  std::function<std::unique_ptr<db::Connection>()> openBase;
  std::function<void(const std::string&)> log;  // one line per call, from any thread
  // What a client may take: the request line and headers within headerSeconds, the body no
  // slower than minBodyRate bytes a second (after a start allowance of headerSeconds), an idle
  // kept-alive connection closed after idleSeconds, at most perAddress connections per client
  // address.
  unsigned headerSeconds = 5;
  unsigned idleSeconds = 5;
  std::uint64_t minBodyRate = 64 * 1024;
  unsigned perAddress = 8;
  // Request bodies held in memory at once, over every connection (received, or being read by a
  // worker); a body that would pass it is read and dropped, then answered 503. 0: twice maxBody.
  std::size_t maxBuffered = 0;
  unsigned backlog = 128;
  unsigned maxConnections = 1000;
};

// The exchange service over HTTP(S). One event-loop thread reads every request in full, under the
// limits above, so that slow or silent clients hold nothing but their own socket; only complete
// requests go to the workers, each with its own connection to the base and its own service. POST
// (any path) carries request envelopes; GET /status and /status.json give the operator's view of
// the peers (to loopback or an administration token); other requests get 405 with Allow.
class TExchangeServer {
 public:
  explicit TExchangeServer(TServerOptions pOptions);
  ~TExchangeServer();  // Stop()
  TExchangeServer(const TExchangeServer&) = delete;
  TExchangeServer& operator=(const TExchangeServer&) = delete;

  // Opens the workers' connections and starts listening; false with pError when it cannot.
  bool Start(std::string& pError);
  int Port() const;
  // Stops taking connections, lets the workers finish what they took and closes everything.
  void Stop();

  class TImpl;

 private:
  std::unique_ptr<TImpl> mImpl;
};

}  // namespace tir::exchange
