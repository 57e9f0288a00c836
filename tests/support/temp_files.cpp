#include "tests/support/temp_files.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <utility>

namespace tir::test {

std::string TempPath(const std::string& suffix) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto name = "tir_test_" + std::to_string(::getpid()) + "_" + std::to_string(stamp) + "_" +
                    std::to_string(counter++) + suffix;
  return (std::filesystem::temp_directory_path() / name).string();
}

void RemoveBaseFiles(const std::string& path) {
  std::error_code ignored;
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) {
    std::filesystem::remove(path + tail, ignored);
  }
}

TempFile::TempFile(const std::string& suffix) : path_(TempPath(suffix)) {}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

TempFile::~TempFile() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  RemoveBaseFiles(path_);
}

TempFile TempText(const std::string& text, const std::string& suffix) {
  TempFile file(suffix);
  std::ofstream(file.path(), std::ios::binary) << text;
  return file;
}

TempDir::TempDir() : folder_("-dir") { std::filesystem::create_directories(folder_.path()); }

}  // namespace tir::test
