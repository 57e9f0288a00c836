#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tir::exchange {

// True for the content types a request envelope may come with: none, application/json,
// text/json and text/plain (any parameters, any letter case). Form encodings and the rest are
// refused, because the body is read as a JSON text and nothing else.
bool IsJsonContentType(std::string_view pValue);

// Why the framing of a request is ambiguous ("" when it is not): several Content-Length values
// that differ, Content-Length together with Transfer-Encoding, or a Transfer-Encoding other than
// chunked. Such requests are refused, since two readers could cut the body differently.
std::string FramingError(const std::vector<std::string>& pContentLengths,
                         const std::vector<std::string>& pTransferEncodings);

// A field for a log line: quotes, backslashes, control bytes and DEL written as escapes, so one
// request always gives exactly one line that a reader can split into fields.
std::string LogField(std::string_view pText);

// True when a body that began pSeconds ago and brought pReceived bytes so far fell behind
// pBytesPerSecond, after a start allowance of pGraceSeconds.
bool BodyTooSlow(std::uint64_t pReceived, double pSeconds, std::uint64_t pBytesPerSecond,
                 double pGraceSeconds);

// A size with an optional K, M or G suffix (powers of 1024), e.g. "10M"; false for other text.
bool ParseByteSize(std::string_view pText, std::uint64_t& pBytes);

// True for an address only this machine can reach: 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(std::string_view pHost);

}  // namespace tir::exchange
