#include "host/exchange/exchange_temp_file.h"

#include <unistd.h>

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

}  // namespace tir::exchange
