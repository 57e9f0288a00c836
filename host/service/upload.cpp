// u7 of the service library: upload of a JSON file to an URL with libcurl.
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/service/tirvalosm.h"

namespace {

constexpr long kDefaultTimeoutMs = 60000;

long TimeoutMs() {
  const char* text = std::getenv("TIRVALOSM_TIMEOUT_MS");
  if (text == nullptr || *text == '\0') return kDefaultTimeoutMs;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return (end != nullptr && *end == '\0' && value > 0) ? value : kDefaultTimeoutMs;
}

struct Transfer {
  std::string body;
  std::string statusLine;  // of the last response (after redirects)
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<Transfer*>(user)->body.append(data, size * count);
  return size * count;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  const std::size_t bytes = size * count;
  std::string line(data, bytes);
  if (line.rfind("HTTP/", 0) == 0) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    auto* transfer = static_cast<Transfer*>(user);
    transfer->statusLine = line;
    transfer->body.clear();  // a redirect's body is not the answer
  }
  return bytes;
}

void InitCurlOnce() {
  static const bool initialised = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == 0; }();
  (void)initialised;
}

std::int32_t Reply(std::int32_t code, const std::string& text, char* response,
                   std::int32_t* responseLength) {
  const std::int32_t capacity = *responseLength;
  if (response == nullptr || capacity <= 0) {
    *responseLength = 0;
    return code;
  }
  const std::size_t n = text.size() < static_cast<std::size_t>(capacity)
                            ? text.size()
                            : static_cast<std::size_t>(capacity);
  std::memcpy(response, text.data(), n);
  if (n < static_cast<std::size_t>(capacity)) response[n] = '\0';
  *responseLength = static_cast<std::int32_t>(n);
  return code;
}

}  // namespace

extern "C" std::int32_t u7(const char* url, const char* jsonPath, std::int32_t mode, char* response,
                           std::int32_t* responseLength) {
  if (responseLength == nullptr) return TIRVALOSM_BAD_ARGS;
  if (url == nullptr || *url == '\0' || jsonPath == nullptr || *jsonPath == '\0') {
    return Reply(TIRVALOSM_BAD_ARGS, "Error: no URL or file name given.", response, responseLength);
  }
  if (std::FILE* probe = std::fopen(jsonPath, "rb")) {
    std::fclose(probe);
  } else {
    return Reply(TIRVALOSM_NO_FILE, std::string("Error: cannot read the file ") + jsonPath,
                 response, responseLength);
  }

  InitCurlOnce();
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    return Reply(TIRVALOSM_TRANSFER, "Error: cannot start a transfer.", response, responseLength);
  }
  Transfer transfer;
  char curlError[CURL_ERROR_SIZE] = {0};
  curl_mime* form = curl_mime_init(curl);
  curl_mimepart* part = curl_mime_addpart(form);
  curl_mime_name(part, "file");
  curl_mime_filedata(part, jsonPath);
  curl_mime_type(part, "application/json");

  const std::string agent = std::string("tirvalosm/1.0 (mode ") + std::to_string(mode) + ")";
  curl_easy_setopt(curl, CURLOPT_URL, url);
  // Only web addresses: a file:// or other scheme is never read back as the server's answer.
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_MIMEPOST, form);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, TimeoutMs());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);

  const CURLcode rc = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_mime_free(form);
  curl_easy_cleanup(curl);

  if (rc != CURLE_OK) {
    const std::string why = curlError[0] != '\0' ? curlError : curl_easy_strerror(rc);
    // libcurl's number last, for a caller that words the failure in its user's language.
    return Reply(TIRVALOSM_TRANSFER,
                 "Error: " + why + " (curl " + std::to_string(static_cast<int>(rc)) + ")", response,
                 responseLength);
  }
  if (status >= 200 && status < 300) {
    return Reply(TIRVALOSM_OK, transfer.body, response, responseLength);
  }
  const std::string statusLine =
      transfer.statusLine.empty() ? "HTTP " + std::to_string(status) : transfer.statusLine;
  return Reply(TIRVALOSM_HTTP_STATUS, statusLine + "\n" + transfer.body, response, responseLength);
}
