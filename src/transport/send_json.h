#pragma once

#include <cstdint>
#include <string>

namespace tir::transport {

// Hands a JSON file to the host's service library (libtirvalosm.so, its u7) for upload to aURL.
// aMode is 1 for a background send and 2 for a user send. Returns u7's result (0 = delivered)
// and its answer in aResponse, cut to the length u7 reported, with every "Chilkat" (any letter
// case) replaced by "TirR"; while the language module exists (inside a host) a failure's answer
// is worded in its language (UploadFailureText). When the library or its u7 cannot be found the
// result is -1 and aResponse says why.
std::int32_t tirSendJson(const std::string& aURL, const std::string& aFilePath, std::int32_t aMode,
                         std::string& aResponse);

// The service library's file: set explicitly, else $TIR_SERVICE_LIBRARY, else "libtirvalosm.so"
// from the library search path, else libtirvalosm.so next to this module.
void SetServiceLibraryPath(const std::string& aPath);

// "Chilkat" in any letter case replaced by "TirR".
std::string ReplaceLibraryWord(const std::string& aText);

}  // namespace tir::transport
