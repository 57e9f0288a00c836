#pragma once

#include <string>

namespace tir::test {

// HTTP spoken by hand over loopback, for requests a well-behaved client never sends.
struct TRawAnswer {
  int status = 0;    // 0 when the server closed without answering
  std::string head;  // status line and headers
  std::string body;
};

// A TCP connection to 127.0.0.1:pPort from the loopback address pSource; -1 when refused.
int ConnectFrom(const std::string& pSource, int pPort);

// Everything the server sends until it closes or pTimeoutS passes.
TRawAnswer ReadAnswer(int pSocket, double pTimeoutS);

// Sends pBytes on a new connection from pSource and reads the answer.
TRawAnswer RawExchange(int pPort, const std::string& pBytes,
                       const std::string& pSource = "127.0.0.1", double pTimeoutS = 10);

// A POST of pBody with the given Content-Type ("" leaves the header out) that closes afterwards.
std::string RawPost(const std::string& pBody, const std::string& pContentType = "application/json");

// Seconds until the server closes pSocket (reading and dropping what it sends), at most pLimitS.
double SecondsUntilClosed(int pSocket, double pLimitS);

}  // namespace tir::test
