#include "host/exchange/exchange_log_line.h"

#include <ctime>
#include <iomanip>
#include <sstream>

#include "host/exchange/exchange_http_rules.h"
#include "host/exchange/exchange_service.h"

namespace tir::exchange {
namespace {

void Prefix(std::ostringstream& line, const std::string& peer) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  line << std::put_time(&local, "%Y-%m-%d %H:%M:%S") << " peer=" << LogField(peer);
}

std::string Word(const std::string& text) { return text.empty() ? "-" : LogField(text); }

}  // namespace

std::string RequestLogLine(const TExchangeAnswer& pAnswer, const std::string& pPeer,
                           double pMilliseconds, const std::string& pDelivery) {
  std::ostringstream line;
  Prefix(line, pPeer);
  line << " token=\"" << Word(pAnswer.tokenName) << "\" cmd=\"" << Word(pAnswer.command)
       << "\" status=" << pAnswer.status << " rows=" << pAnswer.rows
       << " bytes=" << pAnswer.body.size() << " ms=" << std::fixed << std::setprecision(1)
       << pMilliseconds;
  if (!pDelivery.empty()) line << " docs-delivered=" << pDelivery;
  if (!pAnswer.note.empty())
    line << (pAnswer.status != 200 ? " error=\"" : " note=\"") << LogField(pAnswer.note) << "\"";
  return line.str();
}

std::string ClosedLogLine(const std::string& pPeer, const std::string& pReason, double pSeconds) {
  std::ostringstream line;
  Prefix(line, pPeer);
  line << " status=- closed=\"" << LogField(pReason) << "\" after-s=" << std::fixed
       << std::setprecision(1) << pSeconds;
  return line.str();
}

std::string NoticeLogLine(const std::string& pText) {
  std::ostringstream line;
  Prefix(line, "-");
  line << " notice=\"" << LogField(pText) << "\"";
  return line.str();
}

}  // namespace tir::exchange
