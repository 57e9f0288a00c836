#include "host/tirdex/tirdex_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace tir::tirdex {

bool BaseFileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 &&
         !ec;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool BaseInUse(const std::string& path) {
  // Every connection to a WAL base holds a read lock on byte 128 of PATH-shm while it is open.
  const int fd = ::open((path + "-shm").c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 128;
  probe.l_len = 1;
  const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  ::close(fd);
  return locked;
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
