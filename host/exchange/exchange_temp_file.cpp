#include "host/exchange/exchange_temp_file.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace tir::exchange {

TTempFile::TTempFile(const std::string& pPrefix, const std::string& pFolder) {
  std::error_code error;
  const std::filesystem::path folder = pFolder.empty() ? std::filesystem::temp_directory_path(error)
                                                       : std::filesystem::path(pFolder);
  if (error) return;
  const std::string pattern = (folder / (pPrefix + "-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return;
  ::close(fd);
  mPath = name.data();
}

TTempFile::~TTempFile() {
  if (!mPath.empty()) ::unlink(mPath.c_str());
}

int RemoveStaleTempFiles(const std::string& pPrefix, const std::string& pFolder,
                         double pMaxAgeSeconds) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = pFolder.empty() ? fs::temp_directory_path(error) : fs::path(pFolder);
  if (error) return 0;
  const std::string start = pPrefix + "-";
  const auto oldest =
      fs::file_time_type::clock::now() - std::chrono::duration_cast<fs::file_time_type::duration>(
                                             std::chrono::duration<double>(pMaxAgeSeconds));
  int removed = 0;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(start, 0) != 0 || name.size() != start.size() + 6) continue;  // mkstemp's six
    if (!it->is_regular_file(error) || it->last_write_time(error) >= oldest || error) continue;
    if (fs::remove(it->path(), error)) ++removed;
  }
  return removed;
}

}  // namespace tir::exchange
