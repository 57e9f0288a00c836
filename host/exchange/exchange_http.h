#pragma once

#include <atomic>
#include <string>

namespace tir::exchange {

struct THttpResult {
  long status = 0;    // the HTTP status; 0 when no answer came
  std::string error;  // why no answer came (empty when one did)
};

struct THttpOptions {
  long timeoutS = 600;                      // one request with its answer
  const std::atomic<bool>* stop = nullptr;  // gives up within a fraction of a second once true
};

// Posts a JSON body to pUrl and writes the answer's body into pFile (any status).
THttpResult PostJson(const std::string& pUrl, const std::string& pBody, const std::string& pFile,
                     const THttpOptions& pOptions);

}  // namespace tir::exchange
