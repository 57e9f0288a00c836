#include "ui/documents_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tir::ui {

namespace {

std::string Env(const char* aName) {
  const char* value = std::getenv(aName);
  return value != nullptr ? value : "";
}

// The value of `XDG_DOCUMENTS_DIR="..."` in user-dirs.dirs, "$HOME" replaced; empty without one.
std::string FromUserDirs(const std::string& aHome) {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = aHome + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  const std::string key = "XDG_DOCUMENTS_DIR=";
  std::string line, found;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.compare(0, 5, "$HOME") == 0) value = aHome + value.substr(5);
    found = value;  // the last line wins, as when the file is sourced
  }
  return found;
}

}  // namespace

std::string DocumentsFolder() {
  std::string folder = Env("XDG_DOCUMENTS_DIR");
  const std::string home = Env("HOME");
  if (folder.empty()) folder = FromUserDirs(home);
  if (folder.empty()) folder = home + "/Documents";
  return folder;
}

std::string DefaultExportFile(const std::string& aDefault) {
#ifdef _WIN32
  return aDefault;
#else
  // The default names a Windows path: only its file name is kept.
  const std::size_t slash = aDefault.find_last_of("\\/");
  const std::string name = slash == std::string::npos ? aDefault : aDefault.substr(slash + 1);
  return (std::filesystem::path(DocumentsFolder()) / name).string();
#endif
}

}  // namespace tir::ui
