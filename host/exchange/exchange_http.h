#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tir::exchange {

struct THttpResult {
  long status = 0;       // the HTTP status; 0 when no answer came
  std::string error;     // why no answer came (empty when one did)
  bool dropped = false;  // the service refused the connection or closed it before answering
};

constexpr std::uint64_t kDefaultMaxAnswer = std::uint64_t{2} << 30;  // 2 GB

struct THttpOptions {
  long timeoutS = 600;                      // one request with its answer
  const std::atomic<bool>* stop = nullptr;  // gives up within a fraction of a second once true
  std::string caFile;                       // https: trust these certificates, not the system's
  bool insecure = false;                    // https: accept any certificate (tests, first set-up)
  std::uint64_t maxAnswer = kDefaultMaxAnswer;  // a longer answer is refused and dropped
  std::string answerFolder;  // where answers are written (beside the base); "" the temp folder
};

// Posts a JSON body to pUrl (http or https only) and writes the answer's body into pFile (any
// status). An answer over pOptions.maxAnswer bytes is an error and leaves pFile empty.
THttpResult PostJson(const std::string& pUrl, const std::string& pBody, const std::string& pFile,
                     const THttpOptions& pOptions);

}  // namespace tir::exchange
