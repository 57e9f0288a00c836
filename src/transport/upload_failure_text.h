#pragma once

#include <cstdint>
#include <string>

namespace tir::transport {

// The answer of a failed upload in the user's language (1 Russian, 2 Ukrainian). The host's
// service library answers in English with its result code: 1 no URL or file, 2 a file it cannot
// read, 3 no answer ("Error: ..." ending in "(curl N)" with libcurl's error number), 4 a server's
// answer other than 2xx (status line, a line break, the server's text). Each is worded here with
// aURL, aFile and the server's own text as they are; an answer of another form, or of another
// result code, is returned unchanged.
std::string UploadFailureText(std::int32_t aResult, const std::string& aAnswer,
                              const std::string& aURL, const std::string& aFile,
                              std::int32_t aLanguage);

}  // namespace tir::transport
