#pragma once

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tir::test {

// A local HTTP server on 127.0.0.1 that keeps every file posted to /upload.php (multipart field
// "file") and answers with a configurable status and body.
class ShopServer {
 public:
  ShopServer();
  ~ShopServer();

  std::string Url() const;
  void Answer(int status, const std::string& body);
  std::vector<std::string> Received();
  // The User-Agent of every upload (the service library names its mode there).
  std::vector<std::string> Agents();

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex lock_;
  std::vector<std::string> received_;
  std::vector<std::string> agents_;
  int status_ = 200;
  std::string body_ = "OK";
};

}  // namespace tir::test
