#include "host/tirdex/output_guard.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <utility>

#include "db/odbc_base.h"

namespace tir::tirdex {
namespace {

namespace fs = std::filesystem;

// The files SQLite keeps beside a base, and what the messages call them.
constexpr std::pair<const char*, const char*> kCompanions[] = {
    {"-wal", "write-ahead log"},
    {"-shm", "shared-memory index"},
    {"-journal", "rollback journal"},
};

// An absolute path whose folder part is free of links, "." and ".."; with `followLast` the last
// name's symbolic links are followed too (a dangling link gives the file it would make).
fs::path Resolve(const std::string& path, bool followLast) {
  std::error_code ec;
  fs::path target = fs::absolute(path, ec);
  if (ec) target = path;
  for (int depth = 0; followLast && depth < 40 && fs::is_symlink(target, ec); ++depth) {
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  const fs::path name = target.filename();
  if (name.empty() || name == "." || name == "..") {
    const fs::path whole = fs::weakly_canonical(target, ec);
    return ec ? target.lexically_normal() : whole;
  }
  const fs::path folder = fs::weakly_canonical(target.parent_path(), ec);
  return (ec ? target.parent_path().lexically_normal() : folder) / name;
}

struct FileId {
  dev_t dev;
  ino_t ino;
};

std::optional<FileId> IdOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

// The same existing file (any name or hard link), or the same place for a file yet to be made.
bool SamePlace(const fs::path& output, const std::optional<FileId>& outputId,
               const fs::path& other) {
  if (output == other) return true;
  const auto id = IdOf(other);
  return outputId && id && id->dev == outputId->dev && id->ino == outputId->ino;
}

// A regular file that starts with the SQLite header (a pipe or device is never opened).
bool IsSqliteBase(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  char head[16] = {};
  return static_cast<bool>(in.read(head, sizeof(head))) &&
         std::memcmp(head, "SQLite format 3", sizeof(head)) == 0;
}

}  // namespace

std::string OutputRefusal(const std::string& output, const std::string& base, OutputRole role) {
  const fs::path target = Resolve(output, true);
  const auto targetId = IdOf(target);
  const std::string what = "the output file \"" + output + "\"";
  if (!base.empty() && !db::IsOdbcBase(base)) {
    // SQLite may keep the companion files beside the link or beside the file it leads to.
    for (const fs::path& place : {Resolve(base, false), Resolve(base, true)}) {
      if (SamePlace(target, targetId, place)) return what + " is the base \"" + base + "\" itself";
      for (const auto& [suffix, name] : kCompanions) {
        if (SamePlace(target, targetId, place.string() + suffix)) {
          return what + " is the " + name + " of the base \"" + base + "\"";
        }
      }
    }
  }
  if (role == OutputRole::kOutput && IsSqliteBase(target)) return what + " is an SQLite base";
  const std::string path = target.string();
  for (const auto& [suffix, name] : kCompanions) {
    const std::size_t length = std::strlen(suffix);
    if (path.size() <= length || path.compare(path.size() - length, length, suffix) != 0) continue;
    const std::string owner = path.substr(0, path.size() - length);
    if (IsSqliteBase(owner))
      return what + " is the " + name + " of the SQLite base \"" + owner + "\"";
  }
  return {};
}

bool RefuseOutput(const char* command, const std::string& output, const std::string& base,
                  OutputRole role) {
  const std::string reason = OutputRefusal(output, base, role);
  if (reason.empty()) return false;
  std::cerr << "tirdex " << command << ": " << reason << "; nothing was written\n";
  return true;
}

}  // namespace tir::tirdex
