#include "host/exchange/exchange_http.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace tir::exchange {
namespace {

struct TSink {
  std::FILE* file = nullptr;
  std::uint64_t written = 0;
  std::uint64_t limit = 0;
  bool over = false;
};

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* context) {
  auto* sink = static_cast<TSink*>(context);
  const std::uint64_t bytes = static_cast<std::uint64_t>(size) * count;
  if (sink->written + bytes > sink->limit) {
    sink->over = true;
    return 0;  // curl stops the transfer
  }
  sink->written += bytes;
  return std::fwrite(data, size, count, sink->file) * size;
}

int StopRequested(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* flag = static_cast<const std::atomic<bool>*>(stop);
  return flag != nullptr && flag->load() ? 1 : 0;
}

}  // namespace

THttpResult PostJson(const std::string& pUrl, const std::string& pBody, const std::string& pFile,
                     const THttpOptions& pOptions) {
  static std::once_flag init;
  std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  THttpResult result;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(pFile.c_str(), "wb"),
                                                       &std::fclose);
  if (!file) {
    result.error = "cannot write " + pFile;
    return result;
  }
  std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) {
    result.error = "libcurl could not start";
    return result;
  }
  TSink sink{file.get(), 0, pOptions.maxAnswer, false};
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, pUrl.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, pBody.data());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(pBody.size()));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  // An announced length over the limit is refused before any byte of the body is read.
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(pOptions.maxAnswer));
  curl_easy_setopt(c, CURLOPT_TIMEOUT, pOptions.timeoutS);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &StopRequested);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(pOptions.stop));
  if (!pOptions.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, pOptions.caFile.c_str());
  if (pOptions.insecure) {
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  const CURLcode code = curl_easy_perform(c);
  curl_slist_free_all(headers);
  if (sink.over || code == CURLE_FILESIZE_EXCEEDED) {
    // Nothing of it is kept: the file is emptied at once rather than when it is removed.
    file.reset(std::fopen(pFile.c_str(), "wb"));
    result.error = "the answer is larger than " + std::to_string(pOptions.maxAnswer) +
                   " bytes (--max-answer); nothing of it was loaded";
    return result;
  }
  if (std::fflush(file.get()) != 0 && code == CURLE_OK) result.error = "cannot write " + pFile;
  if (code != CURLE_OK) {
    result.error = code == CURLE_ABORTED_BY_CALLBACK ? "interrupted" : curl_easy_strerror(code);
    // A service at its connections per address accepts and closes at once; over TLS that reads
    // as a failed handshake.
    result.dropped = code == CURLE_COULDNT_CONNECT || code == CURLE_SSL_CONNECT_ERROR ||
                     code == CURLE_GOT_NOTHING || code == CURLE_SEND_ERROR ||
                     code == CURLE_RECV_ERROR;
    if (code == CURLE_PEER_FAILED_VERIFICATION)
      result.error += " (the service's certificate is not trusted: give it with --ca FILE)";
    return result;
  }
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
  return result;
}

}  // namespace tir::exchange
