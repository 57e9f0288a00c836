#include "host/tirdex/tirdex_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "db/odbc_base.h"
#include "db/sqlite_connection.h"
#include "host/kit/tir_host_paths.h"

namespace tir::tirdex {

bool BaseFileExists(const std::string& path) {
  if (db::IsOdbcBase(path)) return true;
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 &&
         !ec;
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

std::unique_ptr<db::Connection> OpenExistingBase(const std::string& path) {
  if (db::IsOdbcBase(path)) return db::OpenOdbcBase(path);
  if (!BaseFileExists(path)) throw std::runtime_error("no base file " + path);
  return db::SqliteConnection::Open(path);
}

std::vector<std::string> ExpandOdbcOption(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--odbc" && i + 1 < argc) {
      args.push_back("odbc:" + std::string(argv[++i]));
    } else if (arg.rfind("--odbc=", 0) == 0) {
      args.push_back("odbc:" + arg.substr(7));
    } else {
      args.push_back(arg);
    }
  }
  return args;
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
  // The installed tree's library folder and the build tree, found by the host kit.
  char found[4096];
  if (TirHostFindLibrary(name.c_str(), found, sizeof(found)) > 0) return found;
  return name;
}

}  // namespace tir::tirdex
