#include "host/tirdex/tirdex_files.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace tir::tirdex {

bool BaseFileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::unique_ptr<db::SqliteConnection> OpenExistingBase(const std::string& path) {
  if (!BaseFileExists(path)) throw std::runtime_error("no base file " + path);
  return db::SqliteConnection::Open(path);
}

std::string FindBesideTirdex(const std::string& given, const char* env, const std::string& name,
                             std::initializer_list<const char*> folders) {
  if (!given.empty()) return given;
  if (const char* value = std::getenv(env); value != nullptr && *value != '\0') return value;
  std::error_code ec;
  const auto dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
  if (!ec) {
    for (const char* folder : folders) {
      const auto candidate = dir / folder / name;
      if (std::filesystem::exists(candidate, ec)) return candidate.lexically_normal().string();
    }
  }
  return name;
}

}  // namespace tir::tirdex
