// The exchange service's HTTP server, on libmicrohttpd: its epoll loop runs in one thread of its
// own and reads every request to the end, with per-address connection limits, an idle timeout,
// TLS through GnuTLS and suspend/resume of a connection while a worker builds its answer. The
// deadlines it lacks (headers complete within a time, a minimum body rate) are kept by a watchdog
// thread that shuts the socket of a connection which missed them.
#include "host/exchange/exchange_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "db/connection.h"
#include "host/exchange/exchange_commands.h"
#include "host/exchange/exchange_http_rules.h"
#include "host/exchange/exchange_log_line.h"
#include "host/exchange/exchange_service.h"
#include "host/exchange/exchange_worker_pool.h"
#include "host/kit/tir_host_loader.h"

namespace tir::exchange {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Where a connection stands, for the watchdog.
enum class TPhase { kHeaders, kBody, kWorking, kIdle };

struct TConnState {
  MHD_socket fd = MHD_INVALID_SOCKET;
  std::string peer;
  TPhase phase = TPhase::kHeaders;
  Clock::time_point opened = Clock::now();
  Clock::time_point since = opened;  // start of the phase
  std::uint64_t received = 0;        // body bytes of the current request
  std::string closedBy;              // the watchdog's reason, once it shut the socket
};

struct TRequest {
  Clock::time_point start = Clock::now();
  TConnState* conn = nullptr;
  std::string body;
  std::atomic<std::size_t> counted{0};  // bytes of body held in the server's budget
  bool tooLarge = false;
  bool tooBusy = false;
  bool dispatched = false;
  // A GET of the operator's status page instead of an envelope.
  enum class TPage { kNone, kHtml, kJson } page = TPage::kNone;
  std::string bearer;  // the Authorization: Bearer value of a page request
  bool loopback = false;
  std::size_t worker = 0;
  std::shared_ptr<TExchangeAnswer> answer;
};

std::string PeerOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  if (info == nullptr || info->client_addr == nullptr) return "?";
  char text[INET6_ADDRSTRLEN] = "?";
  const sockaddr* address = info->client_addr;
  if (address->sa_family == AF_INET)
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  else if (address->sa_family == AF_INET6)
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
              sizeof text);
  return text;
}

MHD_Result CollectHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
  auto* headers = static_cast<std::multimap<std::string, std::string>*>(cls);
  std::string name(key != nullptr ? key : "");
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  headers->emplace(std::move(name), value != nullptr ? value : "");
  return MHD_YES;
}

std::vector<std::string> Values(const std::multimap<std::string, std::string>& headers,
                                const std::string& name) {
  std::vector<std::string> values;
  for (auto [it, end] = headers.equal_range(name); it != end; ++it) values.push_back(it->second);
  return values;
}

// Only this machine's own addresses count as loopback for the status page: other 127.x.y.z
// addresses may be forwarded or shared by containers, so they need the administration token too.
bool IsLoopback(const std::string& peer) {
  return peer == "127.0.0.1" || peer == "::1" || peer == "::ffff:127.0.0.1";
}

std::string BearerOf(const std::multimap<std::string, std::string>& headers) {
  const auto it = headers.find("authorization");
  if (it == headers.end() || it->second.size() < 7) return "";
  std::string scheme = it->second.substr(0, 7);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (scheme != "bearer ") return "";
  const std::size_t start = it->second.find_first_not_of(' ', 7);
  return start == std::string::npos ? "" : it->second.substr(start);
}

TConnState* ConnOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info != nullptr ? static_cast<TConnState*>(info->socket_context) : nullptr;
}

void FreeAnswer(void* cls) { delete static_cast<std::shared_ptr<TExchangeAnswer>*>(cls); }

}  // namespace

class TExchangeServer::TImpl {
 public:
  explicit TImpl(TServerOptions pOptions) : mOptions(std::move(pOptions)) {
    mShared.maxBody = mOptions.maxBody;
    if (mOptions.maxBuffered == 0) mOptions.maxBuffered = 2 * mOptions.maxBody;
  }

  // Gives a request's body bytes back to the budget (once; from any thread).
  void Release(TRequest* request) { mBuffered -= request->counted.exchange(0); }

  bool Start(std::string& error);
  void Stop();
  int Port() const { return mPort; }

  static MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url,
                              const char* method, const char* version, const char* data,
                              size_t* size, void** context);
  static void OnCompleted(void* cls, MHD_Connection* connection, void** context,
                          MHD_RequestTerminationCode code);
  static void OnConnection(void* cls, MHD_Connection* connection, void** context,
                           MHD_ConnectionNotificationCode code);

 private:
  MHD_Result First(MHD_Connection* connection, TConnState* conn, const char* url,
                   const char* method, void** context);
  MHD_Result Answer(MHD_Connection* connection, TRequest* request);
  MHD_Result Reply(MHD_Connection* connection, TConnState* conn, int status,
                   const std::string& text, bool allow = false);
  bool Dispatch(MHD_Connection* connection, TRequest* request);
  void SetPhase(TConnState* conn, TPhase phase);
  void Watch();
  void Log(const std::string& line) {
    if (mOptions.log) mOptions.log(line);
  }

  TServerOptions mOptions;
  TServiceShared mShared;
  std::vector<std::unique_ptr<db::Connection>> mConnections;
  std::vector<std::unique_ptr<TExchangeService>> mServices;
  std::unique_ptr<TWorkerPool> mPool;
  std::string mBaseGuid;
  MHD_Daemon* mDaemon = nullptr;
  int mPort = 0;
  std::mutex mStopMutex;
  bool mStopping = false;

  std::mutex mConnMutex;                  // guards every TConnState and the set of them
  std::atomic<std::size_t> mBuffered{0};  // request body bytes held in memory, all connections
  std::map<TConnState*, std::unique_ptr<TConnState>> mConns;
  std::condition_variable mWatchWake;
  bool mWatchEnd = false;
  std::thread mWatchdog;
};

void TExchangeServer::TImpl::SetPhase(TConnState* conn, TPhase phase) {
  if (conn == nullptr) return;
  std::lock_guard lock(mConnMutex);
  conn->phase = phase;
  conn->since = Clock::now();
  if (phase == TPhase::kBody) conn->received = 0;
}

MHD_Result TExchangeServer::TImpl::Reply(MHD_Connection* connection, TConnState* conn, int status,
                                         const std::string& text, bool allow) {
  TExchangeAnswer answer;
  answer.status = status;
  answer.body = InfoAnswer(status, text, mBaseGuid);
  answer.note = text;
  auto* keep =
      new std::shared_ptr<TExchangeAnswer>(std::make_shared<TExchangeAnswer>(std::move(answer)));
  const std::string& body = (*keep)->body;
  MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
      body.size(), const_cast<char*>(body.data()), &FreeAnswer, keep);
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "application/json");
  if (allow) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "POST");
  const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(status), response);
  MHD_destroy_response(response);
  Log(RequestLogLine(**keep, conn != nullptr ? conn->peer : PeerOf(connection), 0, ""));
  SetPhase(conn, TPhase::kWorking);
  return queued;
}

// The headers are in: refuses what the service cannot take before reading any body.
MHD_Result TExchangeServer::TImpl::First(MHD_Connection* connection, TConnState* conn,
                                         const char* url, const char* method, void** context) {
  SetPhase(conn, TPhase::kBody);
  std::multimap<std::string, std::string> headers;
  MHD_get_connection_values(connection, MHD_HEADER_KIND, &CollectHeader, &headers);
  // The routes: GET /status and /status.json are the operator's pages, answered by a worker
  // (they read the base); POST on any path carries an envelope; anything else is 405.
  const std::string path = url != nullptr ? url : "";
  if (std::string(method) == MHD_HTTP_METHOD_GET && (path == "/status" || path == "/status.json")) {
    auto* request = new TRequest;
    request->conn = conn;
    request->page = path == "/status" ? TRequest::TPage::kHtml : TRequest::TPage::kJson;
    request->bearer = BearerOf(headers);
    request->loopback = IsLoopback(conn != nullptr ? conn->peer : PeerOf(connection));
    *context = request;
    return MHD_YES;
  }
  if (std::string(method) != MHD_HTTP_METHOD_POST)
    return Reply(connection, conn, 405, "method not allowed: POST a request envelope", true);
  const std::vector<std::string> lengths = Values(headers, "content-length");
  const std::string framing = FramingError(lengths, Values(headers, "transfer-encoding"));
  if (!framing.empty()) return Reply(connection, conn, 400, "malformed request: " + framing);
  const std::vector<std::string> types = Values(headers, "content-type");
  if (types.size() > 1 || (types.size() == 1 && !IsJsonContentType(types.front())))
    return Reply(connection, conn, 415,
                 "the request body must be a JSON text (Content-Type application/json), not " +
                     (types.empty() ? std::string() : types.front()));
  if (!lengths.empty()) {
    char* end = nullptr;
    const unsigned long long length = std::strtoull(lengths.front().c_str(), &end, 10);
    if (length > mOptions.maxBody)
      return Reply(connection, conn, 413,
                   "request body over " + std::to_string(mOptions.maxBody) + " bytes");
  }
  auto* request = new TRequest;
  request->conn = conn;
  *context = request;
  return MHD_YES;
}

MHD_Result TExchangeServer::TImpl::OnRequest(void* cls, MHD_Connection* connection, const char* url,
                                             const char* method, const char*, const char* data,
                                             size_t* size, void** context) {
  auto* self = static_cast<TImpl*>(cls);
  TConnState* conn = ConnOf(connection);
  if (*context == nullptr) return self->First(connection, conn, url, method, context);
  auto* request = static_cast<TRequest*>(*context);
  if (*size != 0) {
    if (request->body.size() + *size > self->mOptions.maxBody) request->tooLarge = true;
    // Bodies in memory are bounded over every connection, not only per request: many clients
    // sending large bodies at once (before any token is checked) must not exhaust memory.
    if (!request->tooLarge && !request->tooBusy &&
        self->mBuffered.fetch_add(*size) + *size > self->mOptions.maxBuffered) {
      self->mBuffered -= *size;
      request->tooBusy = true;
    }
    if (!request->tooLarge && !request->tooBusy) {
      request->body.append(data, *size);
      request->counted += *size;
    } else {
      self->Release(request);  // the rest is read and dropped, then refused
      request->body.clear();
      request->body.shrink_to_fit();
    }
    if (conn != nullptr) {
      std::lock_guard lock(self->mConnMutex);
      conn->received += *size;
    }
    *size = 0;
    return MHD_YES;
  }
  if (request->answer) return self->Answer(connection, request);
  if (request->tooLarge)
    return self->Reply(connection, conn, 413,
                       "request body over " + std::to_string(self->mOptions.maxBody) + " bytes");
  if (request->tooBusy)
    return self->Reply(connection, conn, 503,
                       "the service is busy with other large requests; try again shortly");
  if (!request->dispatched && !self->Dispatch(connection, request))
    return self->Reply(connection, conn, 503, "the service is stopping");
  return MHD_YES;
}

// The whole request is in: a worker builds the answer while the connection rests.
bool TExchangeServer::TImpl::Dispatch(MHD_Connection* connection, TRequest* request) {
  // Under the lock Stop takes, so no request is handed over after Stop waited for the workers.
  std::lock_guard stopping(mStopMutex);
  if (mStopping) return false;
  request->dispatched = true;
  SetPhase(request->conn, TPhase::kWorking);
  MHD_suspend_connection(connection);
  mPool->Post([this, connection, request](std::size_t worker) {
    TExchangeService& service = *mServices[worker];
    auto answer = std::make_shared<TExchangeAnswer>(
        request->page == TRequest::TPage::kNone
            ? service.Handle(request->body)
            : service.Status(request->page == TRequest::TPage::kJson, request->bearer,
                             request->loopback));
    request->bearer.clear();
    request->body.clear();
    request->body.shrink_to_fit();
    Release(request);
    request->worker = worker;
    request->answer = std::move(answer);
    MHD_resume_connection(connection);
  });
  return true;
}

MHD_Result TExchangeServer::TImpl::Answer(MHD_Connection* connection, TRequest* request) {
  const std::string& body = request->answer->body;
  MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
      body.size(), const_cast<char*>(body.data()), &FreeAnswer,
      new std::shared_ptr<TExchangeAnswer>(request->answer));
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                          request->answer->contentType.c_str());
  if (request->page != TRequest::TPage::kNone)
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
  const MHD_Result queued =
      MHD_queue_response(connection, static_cast<unsigned>(request->answer->status), response);
  MHD_destroy_response(response);
  return queued;
}

// The answer went out in full or not: its documents count as delivered only in the first case,
// marked by the worker whose service built it (on its connection, never in the loop's thread).
void TExchangeServer::TImpl::OnCompleted(void* cls, MHD_Connection* connection, void** context,
                                         MHD_RequestTerminationCode code) {
  auto* self = static_cast<TImpl*>(cls);
  auto* request = static_cast<TRequest*>(*context);
  *context = nullptr;
  if (request == nullptr) {  // refused before its body: the connection waits for the next one
    self->SetPhase(ConnOf(connection), TPhase::kIdle);
    return;
  }
  std::unique_ptr<TRequest> owned(request);
  self->Release(request);
  const bool complete = code == MHD_REQUEST_TERMINATED_COMPLETED_OK;
  std::string peer = "?";
  bool watchdog = false;  // closed by the watchdog, which logs it with its reason
  if (request->conn != nullptr) {
    std::lock_guard lock(self->mConnMutex);
    peer = request->conn->peer;
    watchdog = !request->conn->closedBy.empty();
  }
  self->SetPhase(request->conn, TPhase::kIdle);
  if (!request->answer) {
    if (!complete && !request->dispatched && !watchdog)
      self->Log(ClosedLogLine(peer, "request not complete", SecondsSince(request->start)));
    return;
  }
  std::shared_ptr<TExchangeAnswer> answer = request->answer;
  const auto start = request->start;
  if (!complete && answer->note.empty())
    answer->note = "the answer did not reach the client in full";
  // Every answer is reported to the service that built it, on its worker, whether or not it
  // carries documents: what counts as delivered is the service's business.
  self->mPool->PostTo(request->worker, [self, answer, complete, peer, start](std::size_t worker) {
    const bool documents = answer->delivery != nullptr;
    const bool marked = self->mServices[worker]->Delivered(*answer, complete);
    const char* delivered = !documents ? "" : !complete ? "no" : marked ? "yes" : "failed";
    self->Log(RequestLogLine(*answer, peer, SecondsSince(start) * 1000, delivered));
  });
}

void TExchangeServer::TImpl::OnConnection(void* cls, MHD_Connection* connection, void** context,
                                          MHD_ConnectionNotificationCode code) {
  auto* self = static_cast<TImpl*>(cls);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    auto conn = std::make_unique<TConnState>();
    conn->peer = PeerOf(connection);
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (info != nullptr) conn->fd = info->connect_fd;
    *context = conn.get();
    std::lock_guard lock(self->mConnMutex);
    self->mConns.emplace(conn.get(), std::move(conn));
    return;
  }
  auto* conn = static_cast<TConnState*>(*context);
  if (conn == nullptr) return;
  std::unique_ptr<TConnState> owned;
  {
    // The socket is closed only after this, so the watchdog never shuts a reused descriptor.
    std::lock_guard lock(self->mConnMutex);
    auto it = self->mConns.find(conn);
    if (it == self->mConns.end()) return;
    owned = std::move(it->second);
    self->mConns.erase(it);
  }
  *context = nullptr;
  if (!owned->closedBy.empty())
    self->Log(ClosedLogLine(owned->peer, owned->closedBy, SecondsSince(owned->opened)));
  else if (owned->phase == TPhase::kHeaders &&
           SecondsSince(owned->since) >= self->mOptions.idleSeconds - 0.5)
    self->Log(ClosedLogLine(owned->peer, "no request within the time limit",
                            SecondsSince(owned->opened)));
}

void TExchangeServer::TImpl::Watch() {
  const double header = mOptions.headerSeconds;
  // A kept-alive connection gets the idle time and then the header time for its next request.
  const double next = static_cast<double>(mOptions.idleSeconds) + header;
  std::unique_lock lock(mConnMutex);
  while (!mWatchEnd) {
    mWatchWake.wait_for(lock, std::chrono::milliseconds(100));
    for (auto& [key, conn] : mConns) {
      if (!conn->closedBy.empty() || conn->fd == MHD_INVALID_SOCKET) continue;
      const double in = SecondsSince(conn->since);
      std::string reason;
      if (conn->phase == TPhase::kHeaders && in > header)
        reason = "request line and headers not complete within " +
                 std::to_string(mOptions.headerSeconds) + " s";
      else if (conn->phase == TPhase::kIdle && in > next)
        reason = "next request not complete within " +
                 std::to_string(mOptions.idleSeconds + mOptions.headerSeconds) + " s";
      else if (conn->phase == TPhase::kBody &&
               BodyTooSlow(conn->received, in, mOptions.minBodyRate, header))
        reason =
            "request body slower than " + std::to_string(mOptions.minBodyRate) + " bytes a second";
      if (reason.empty()) continue;
      conn->closedBy = reason;
      // The loop sees the end of the stream and closes the connection itself.
      shutdown(conn->fd, SHUT_RDWR);
    }
  }
}

bool TExchangeServer::TImpl::Start(std::string& error) {
  if (mOptions.workers == 0) mOptions.workers = 1;
  try {
    for (std::size_t i = 0; i < mOptions.workers; ++i) {
      mConnections.push_back(mOptions.openBase());
      mServices.push_back(std::make_unique<TExchangeService>(*mConnections.back(), mShared));
    }
    mBaseGuid = mServices.front()->BaseGUID();
  } catch (const std::exception& e) {
    error = std::string("cannot open the base: ") + e.what();
    return false;
  }
  sockaddr_storage address{};
  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
  const std::string host = mOptions.host == "localhost" ? "127.0.0.1" : mOptions.host;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(mOptions.port));
  } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(mOptions.port));
    flags |= MHD_USE_IPv6;
  } else {
    error = "not a numeric address: " + mOptions.host;
    return false;
  }
  const bool tls = !mOptions.tlsCert.empty() || !mOptions.tlsKey.empty();
  if (tls) flags |= MHD_USE_TLS;
  // Each worker's host callbacks (the database log of posting) write through its own connection.
  mPool = std::make_unique<TWorkerPool>(
      mOptions.workers,
      [this](std::size_t worker) {
        TirHostSetThreadCallbackConnection(mConnections[worker].get());
      },
      [](std::size_t) { TirHostSetThreadCallbackConnection(nullptr); });
  std::vector<MHD_OptionItem> options = {
      {MHD_OPTION_SOCK_ADDR, 0, &address},
      {MHD_OPTION_CONNECTION_TIMEOUT, mOptions.idleSeconds, nullptr},
      {MHD_OPTION_PER_IP_CONNECTION_LIMIT, mOptions.perAddress, nullptr},
      {MHD_OPTION_CONNECTION_LIMIT, mOptions.maxConnections, nullptr},
      {MHD_OPTION_LISTEN_BACKLOG_SIZE, mOptions.backlog, nullptr},
      {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&TImpl::OnCompleted), this},
      {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&TImpl::OnConnection), this},
  };
  if (tls) {
    options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(mOptions.tlsCert.c_str())});
    options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(mOptions.tlsKey.c_str())});
  }
  options.push_back({MHD_OPTION_END, 0, nullptr});
  mDaemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &TImpl::OnRequest, this, MHD_OPTION_ARRAY,
                             options.data(), MHD_OPTION_END);
  if (mDaemon == nullptr) {
    error = tls ? "cannot listen on " + mOptions.host + ":" + std::to_string(mOptions.port) +
                      " with TLS (is the certificate and key a matching PEM pair?)"
                : "cannot listen on " + mOptions.host + ":" + std::to_string(mOptions.port);
    mPool.reset();
    return false;
  }
  const MHD_DaemonInfo* info = MHD_get_daemon_info(mDaemon, MHD_DAEMON_INFO_BIND_PORT);
  mPort = info != nullptr ? info->port : mOptions.port;
  mWatchdog = std::thread([this] { Watch(); });
  return true;
}

void TExchangeServer::TImpl::Stop() {
  if (mDaemon == nullptr) return;
  {
    std::lock_guard stopping(mStopMutex);
    mStopping = true;
  }
  MHD_quiesce_daemon(mDaemon);
  // Workers finish the requests they took and resume those connections before the loop ends.
  mPool->WaitIdle();
  {
    std::lock_guard lock(mConnMutex);
    mWatchEnd = true;
  }
  mWatchWake.notify_all();
  mWatchdog.join();
  MHD_stop_daemon(mDaemon);
  mDaemon = nullptr;
  mPool.reset();  // runs the delivery marks queued by the last answers
  mServices.clear();
  mConnections.clear();
}

TExchangeServer::TExchangeServer(TServerOptions pOptions)
    : mImpl(std::make_unique<TImpl>(std::move(pOptions))) {}

TExchangeServer::~TExchangeServer() { Stop(); }

bool TExchangeServer::Start(std::string& pError) { return mImpl->Start(pError); }

int TExchangeServer::Port() const { return mImpl->Port(); }

void TExchangeServer::Stop() { mImpl->Stop(); }

}  // namespace tir::exchange
