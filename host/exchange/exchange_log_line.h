#pragma once

#include <string>

namespace tir::exchange {

struct TExchangeAnswer;

// One log line of the server for an answered request: local time, peer, token profile name,
// command, status, rows, bytes, milliseconds, whether its documents were delivered and why it was
// refused. Every client-given text is escaped (LogField); the token value never appears.
std::string RequestLogLine(const TExchangeAnswer& pAnswer, const std::string& pPeer,
                           double pMilliseconds, const std::string& pDelivery);

// The line for a connection closed before it brought a whole request.
std::string ClosedLogLine(const std::string& pPeer, const std::string& pReason, double pSeconds);

// A line of the service itself (a warning at start): its peer is "-".
std::string NoticeLogLine(const std::string& pText);

}  // namespace tir::exchange
