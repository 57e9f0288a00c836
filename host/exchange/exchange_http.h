#pragma once

#include <atomic>
#include <string>

namespace tir::exchange {

struct THttpResult {
  long status = 0;    // the HTTP status; 0 when no answer came
  std::string error;  // why no answer came (empty when one did)
};

// Posts a JSON body to pUrl and writes the answer's body into pFile (any status). Gives up after
// pTimeoutS seconds, and within a fraction of a second once *pStop becomes true.
THttpResult PostJson(const std::string& pUrl, const std::string& pBody, const std::string& pFile,
                     long pTimeoutS, const std::atomic<bool>* pStop);

}  // namespace tir::exchange
