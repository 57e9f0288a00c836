#include "tests/host/exchange/raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace tir::test {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads into pText until the peer closes (true) or the time is up (false).
bool ReadUntilClosed(int socket, double timeoutS, std::string* text) {
  const auto start = Clock::now();
  char buffer[65536];
  while (Since(start) < timeoutS) {
    pollfd p{socket, POLLIN, 0};
    const int left = static_cast<int>((timeoutS - Since(start)) * 1000) + 1;
    if (poll(&p, 1, left) <= 0) continue;
    const ssize_t n = recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) return true;
    if (text != nullptr) text->append(buffer, static_cast<std::size_t>(n));
  }
  return false;
}

}  // namespace

int ConnectFrom(const std::string& pSource, int pPort) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  inet_pton(AF_INET, pSource.c_str(), &from.sin_addr);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(pPort));
  inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  if (bind(s, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    close(s);
    return -1;
  }
  return s;
}

TRawAnswer ReadAnswer(int pSocket, double pTimeoutS) {
  std::string text;
  ReadUntilClosed(pSocket, pTimeoutS, &text);
  TRawAnswer answer;
  const auto end = text.find("\r\n\r\n");
  answer.head = text.substr(0, end);
  if (end != std::string::npos) answer.body = text.substr(end + 4);
  if (text.rfind("HTTP/1.", 0) == 0 && text.size() > 12)
    answer.status = std::stoi(text.substr(9, 3));
  return answer;
}

TRawAnswer RawExchange(int pPort, const std::string& pBytes, const std::string& pSource,
                       double pTimeoutS) {
  const int s = ConnectFrom(pSource, pPort);
  if (s < 0) return {};
  for (std::size_t sent = 0; sent < pBytes.size();) {
    const ssize_t n = send(s, pBytes.data() + sent, pBytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  TRawAnswer answer = ReadAnswer(s, pTimeoutS);
  close(s);
  return answer;
}

std::string RawPost(const std::string& pBody, const std::string& pContentType) {
  std::string text = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  if (!pContentType.empty()) text += "Content-Type: " + pContentType + "\r\n";
  return text + "Content-Length: " + std::to_string(pBody.size()) + "\r\n\r\n" + pBody;
}

double SecondsUntilClosed(int pSocket, double pLimitS) {
  const auto start = Clock::now();
  ReadUntilClosed(pSocket, pLimitS, nullptr);
  return Since(start);
}

}  // namespace tir::test
