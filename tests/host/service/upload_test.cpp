// The service library's u7 against a local HTTP server.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "host/service/tirvalosm.h"
#include "tests/support/temp_files.h"

namespace {

// A cpp-httplib server on a free local port, running in its own thread.
class LocalServer {
 public:
  LocalServer() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~LocalServer() {
    server_.stop();
    thread_.join();
  }
  httplib::Server& server() { return server_; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

// A listening socket that never accepts: connections are made, nobody answers.
class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int bound = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    EXPECT_EQ(bound, 0);
    ::listen(fd_, 4);
    socklen_t len = sizeof(addr);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
  }
  ~SilentServer() { ::close(fd_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A local port nobody listens on.
int ClosedPort() {
  SilentServer probe;
  return probe.port();  // closed when probe goes away
}

struct Result {
  int code;
  std::string text;
  int length;
};

Result Upload(const std::string& url, const std::string& path, int capacity = 4096) {
  std::string buffer(static_cast<std::size_t>(capacity) + 16, '#');
  int length = capacity;
  const int code = u7(url.c_str(), path.c_str(), 2, buffer.data(), &length);
  // Nothing past the capacity is touched.
  EXPECT_EQ(buffer.substr(static_cast<std::size_t>(capacity)), std::string(16, '#'));
  return {code, buffer.substr(0, static_cast<std::size_t>(length)), length};
}

TEST(TirvalosmUpload, SuccessSendsTheFileAsFormFieldAndReturnsTheAnswer) {
  LocalServer local;
  std::string received;
  std::string fileName;
  local.server().Post("/upload", [&](const httplib::Request& req, httplib::Response& res) {
    if (req.has_file("file")) {
      received = req.get_file_value("file").content;
      fileName = req.get_file_value("file").filename;
    }
    res.set_content("{\"status\":\"ok\"}", "application/json");
  });
  const tir::test::TempFile json = tir::test::TempText("{\"goods\":[1,2,3]}");
  const Result r = Upload(local.Url("/upload"), json.path());
  EXPECT_EQ(r.code, TIRVALOSM_OK);
  EXPECT_EQ(r.text, "{\"status\":\"ok\"}");
  EXPECT_EQ(received, "{\"goods\":[1,2,3]}");
  EXPECT_EQ(fileName, std::filesystem::path(json.path()).filename().string());
}

TEST(TirvalosmUpload, FollowsRedirectsAndKeepsThePost) {
  LocalServer local;
  std::string received;
  local.server().Post("/old", [&](const httplib::Request&, httplib::Response& res) {
    res.set_redirect(local.Url("/new"), 307);
  });
  local.server().Post("/new", [&](const httplib::Request& req, httplib::Response& res) {
    received = req.get_file_value("file").content;
    res.set_content("moved ok", "text/plain");
  });
  const tir::test::TempFile json = tir::test::TempText("[]");
  const Result r = Upload(local.Url("/old"), json.path());
  EXPECT_EQ(r.code, TIRVALOSM_OK);
  EXPECT_EQ(r.text, "moved ok");
  EXPECT_EQ(received, "[]");
}

TEST(TirvalosmUpload, ClientAndServerErrorsGiveStatusLineAndBody) {
  LocalServer local;
  local.server().Post("/missing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("no such shop", "text/plain");
  });
  local.server().Post("/broken", [](const httplib::Request&, httplib::Response& res) {
    res.status = 500;
    res.set_content("database down", "text/plain");
  });
  const tir::test::TempFile json = tir::test::TempText("{}");
  const Result notFound = Upload(local.Url("/missing"), json.path());
  EXPECT_EQ(notFound.code, TIRVALOSM_HTTP_STATUS);
  EXPECT_EQ(notFound.text.rfind("HTTP/1.1 404", 0), 0u) << notFound.text;
  EXPECT_NE(notFound.text.find("\nno such shop"), std::string::npos) << notFound.text;

  const Result failed = Upload(local.Url("/broken"), json.path());
  EXPECT_EQ(failed.code, TIRVALOSM_HTTP_STATUS);
  EXPECT_EQ(failed.text.rfind("HTTP/1.1 500", 0), 0u) << failed.text;
  EXPECT_NE(failed.text.find("database down"), std::string::npos);
}

TEST(TirvalosmUpload, AnswerLargerThanTheBufferIsCutAtItsCapacity) {
  LocalServer local;
  const std::string big(1000, 'x');
  local.server().Post("/big", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(big + "END", "text/plain");
  });
  const tir::test::TempFile json = tir::test::TempText("{}");
  const Result r = Upload(local.Url("/big"), json.path(), 100);
  EXPECT_EQ(r.code, TIRVALOSM_OK);
  EXPECT_EQ(r.length, 100);
  EXPECT_EQ(r.text, big.substr(0, 100));

  // A buffer exactly as large as the answer gets every byte and no terminator past it.
  const Result exact = Upload(local.Url("/big"), json.path(), 1003);
  EXPECT_EQ(exact.length, 1003);
  EXPECT_EQ(exact.text.substr(1000), "END");
}

TEST(TirvalosmUpload, NoBufferOrZeroCapacitySetsLengthZero) {
  LocalServer local;
  local.server().Post("/u", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("answer", "text/plain");
  });
  const tir::test::TempFile json = tir::test::TempText("{}");
  int length = 0;
  char one = '#';
  EXPECT_EQ(u7(local.Url("/u").c_str(), json.path().c_str(), 1, &one, &length), TIRVALOSM_OK);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(one, '#');
  length = 50;
  EXPECT_EQ(u7(local.Url("/u").c_str(), json.path().c_str(), 1, nullptr, &length), TIRVALOSM_OK);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(u7(local.Url("/u").c_str(), json.path().c_str(), 1, nullptr, nullptr),
            TIRVALOSM_BAD_ARGS);
}

TEST(TirvalosmUpload, ConnectionRefusedGivesCurlsErrorText) {
  const tir::test::TempFile json = tir::test::TempText("{}");
  const Result r = Upload("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x", json.path());
  EXPECT_EQ(r.code, TIRVALOSM_TRANSFER);
  EXPECT_EQ(r.text.rfind("Error: ", 0), 0u);
  EXPECT_NE(r.text.find("onnect"), std::string::npos) << r.text;
  // The module words the failure by libcurl's number, which ends the text.
  EXPECT_EQ(r.text.substr(r.text.size() - 9), " (curl 7)") << r.text;
}

TEST(TirvalosmUpload, SilentServerTimesOut) {
  SilentServer silent;
  ::setenv("TIRVALOSM_TIMEOUT_MS", "400", 1);
  const tir::test::TempFile json = tir::test::TempText("{}");
  const auto start = std::chrono::steady_clock::now();
  const Result r = Upload("http://127.0.0.1:" + std::to_string(silent.port()) + "/x", json.path());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ::unsetenv("TIRVALOSM_TIMEOUT_MS");
  EXPECT_EQ(r.code, TIRVALOSM_TRANSFER);
  EXPECT_NE(r.text.find("timed out"), std::string::npos) << r.text;
  EXPECT_LT(elapsed, std::chrono::seconds(30));
}

TEST(TirvalosmUpload, MissingFileAndMissingArguments) {
  const Result noFile = Upload("http://127.0.0.1:1/x", "/nonexistent/dir/file.json");
  EXPECT_EQ(noFile.code, TIRVALOSM_NO_FILE);
  EXPECT_NE(noFile.text.find("/nonexistent/dir/file.json"), std::string::npos);

  const tir::test::TempFile json = tir::test::TempText("{}");
  EXPECT_EQ(Upload("", json.path()).code, TIRVALOSM_BAD_ARGS);
  const Result badUrl = Upload("notaprotocol://host/x", json.path());
  EXPECT_EQ(badUrl.code, TIRVALOSM_TRANSFER);
  // A file address is no server: its content never comes back as an answer.
  const tir::test::TempFile secret = tir::test::TempText("{\"secret\":1}");
  const Result file = Upload("file://" + secret.path(), json.path());
  EXPECT_EQ(file.code, TIRVALOSM_TRANSFER);
  EXPECT_EQ(file.text.find("secret"), std::string::npos) << file.text;
}

}  // namespace
