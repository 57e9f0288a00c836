#include "host/exchange/exchange_http.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace tir::exchange {
namespace {

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
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
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, pUrl.c_str());
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, pBody.data());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(pBody.size()));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, file.get());
  curl_easy_setopt(c, CURLOPT_TIMEOUT, pOptions.timeoutS);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &StopRequested);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(pOptions.stop));
  const CURLcode code = curl_easy_perform(c);
  curl_slist_free_all(headers);
  if (std::fflush(file.get()) != 0 && code == CURLE_OK) result.error = "cannot write " + pFile;
  if (code != CURLE_OK) {
    result.error = code == CURLE_ABORTED_BY_CALLBACK ? "interrupted" : curl_easy_strerror(code);
    return result;
  }
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
  return result;
}

}  // namespace tir::exchange
