#include "files/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tir::files {

namespace {

namespace fs = std::filesystem;

// The file a path names after following its symbolic links (also a dangling last link).
fs::path RealTarget(const std::string& path) {
  fs::path target(path);
  std::error_code ec;
  for (int depth = 0; depth < 40 && fs::is_symlink(target, ec); ++depth) {
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

bool Fail(const std::string& path, std::string& error, int code) {
  error = "cannot write file \"" + path + "\": " + std::strerror(code != 0 ? code : EIO);
  return false;
}

// Runs `write` on `file` and closes it; the first error's code, 0 on success.
int WriteAndClose(std::FILE* file, const std::function<bool(std::FILE*)>& write, bool sync) {
  errno = 0;
  bool ok = write(file) && std::fflush(file) == 0 && std::ferror(file) == 0;
  int code = ok ? 0 : (errno != 0 ? errno : EIO);
  if (ok && sync && ::fsync(fileno(file)) != 0) code = errno;
  if (std::fclose(file) != 0 && code == 0) code = errno != 0 ? errno : EIO;
  return code;
}

}  // namespace

bool WriteOutputFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                     std::string& error) {
  const fs::path target = RealTarget(path);
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return Fail(path, error, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or pipe: written where it is.
    std::FILE* file = std::fopen(target.c_str(), "wb");
    if (file == nullptr) return Fail(path, error, errno);
    const int code = WriteAndClose(file, write, false);
    return code == 0 || Fail(path, error, code);
  }
  std::string temp = target.string() + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Fail(path, error, errno);
  mode_t mode = 0;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  int code = ::fchmod(fd, mode) == 0 ? 0 : errno;
  std::FILE* file = code == 0 ? ::fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    if (code == 0) code = errno;
    ::close(fd);
  } else {
    code = WriteAndClose(file, write, true);
  }
  if (code == 0 && std::rename(temp.c_str(), target.c_str()) != 0) code = errno;
  if (code != 0) {
    std::remove(temp.c_str());
    return Fail(path, error, code);
  }
  return true;
}

}  // namespace tir::files
