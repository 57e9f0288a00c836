#include "host/exchange/exchange_http_rules.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstdio>
#include <limits>

namespace tir::exchange {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool IsJsonContentType(std::string_view pValue) {
  const std::string type = Lower(Trim(pValue.substr(0, pValue.find(';'))));
  return type.empty() || type == "application/json" || type == "text/json" || type == "text/plain";
}

std::string FramingError(const std::vector<std::string>& pContentLengths,
                         const std::vector<std::string>& pTransferEncodings) {
  for (const std::string& length : pContentLengths)
    if (Trim(length) != Trim(pContentLengths.front()))
      return "two different Content-Length headers";
  if (!pContentLengths.empty() && !pTransferEncodings.empty())
    return "Content-Length together with Transfer-Encoding";
  for (const std::string& coding : pTransferEncodings)
    if (Lower(Trim(coding)) != "chunked")
      return "Transfer-Encoding \"" + LogField(coding) + "\" is not supported (only chunked)";
  if (pTransferEncodings.size() > 1) return "Transfer-Encoding given twice";
  return {};
}

std::string LogField(std::string_view pText) {
  std::string out;
  out.reserve(pText.size());
  for (const char c : pText) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

bool BodyTooSlow(std::uint64_t pReceived, double pSeconds, std::uint64_t pBytesPerSecond,
                 double pGraceSeconds) {
  return static_cast<double>(pReceived) <
         static_cast<double>(pBytesPerSecond) * (pSeconds - pGraceSeconds);
}

bool ParseByteSize(std::string_view pText, std::uint64_t& pBytes) {
  std::uint64_t unit = 1;
  if (!pText.empty()) {
    switch (std::toupper(static_cast<unsigned char>(pText.back()))) {
      case 'K':
        unit = std::uint64_t{1} << 10;
        break;
      case 'M':
        unit = std::uint64_t{1} << 20;
        break;
      case 'G':
        unit = std::uint64_t{1} << 30;
        break;
      default:
        break;
    }
    if (unit != 1) pText.remove_suffix(1);
  }
  if (pText.empty() || pText.size() > 18) return false;
  std::uint64_t value = 0;
  for (const char c : pText) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value == 0 || value > std::numeric_limits<std::uint64_t>::max() / unit) return false;
  pBytes = value * unit;
  return true;
}

bool IsLoopbackHost(std::string_view pHost) {
  if (pHost == "localhost" || pHost == "::1") return true;
  in_addr v4{};
  const std::string host(pHost);
  return inet_pton(AF_INET, host.c_str(), &v4) == 1 && (ntohl(v4.s_addr) >> 24) == 127;
}

}  // namespace tir::exchange
