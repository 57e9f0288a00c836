#include "tests/transport/shop_server.h"

#include <chrono>

namespace tir::test {

ShopServer::ShopServer() {
  server_.Post("/upload.php", [this](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(lock_);
    if (req.has_file("file")) received_.push_back(req.get_file_value("file").content);
    agents_.push_back(req.get_header_value("User-Agent"));
    res.status = status_;
    res.set_content(body_, "text/plain");
  });
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ShopServer::~ShopServer() {
  server_.stop();
  thread_.join();
}

std::string ShopServer::Url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/upload.php";
}

void ShopServer::Answer(int status, const std::string& body) {
  std::lock_guard<std::mutex> lock(lock_);
  status_ = status;
  body_ = body;
}

std::vector<std::string> ShopServer::Received() {
  std::lock_guard<std::mutex> lock(lock_);
  return received_;
}

std::vector<std::string> ShopServer::Agents() {
  std::lock_guard<std::mutex> lock(lock_);
  return agents_;
}

}  // namespace tir::test
