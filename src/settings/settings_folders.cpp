#include "settings/settings_folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tir {

namespace {

constexpr char kDefaultParamSection[] = "BASE1";
constexpr char kDefaultFileName[] = "TirvaloMain.config";
constexpr char kDefaultFileNameAll[] = "TirvaloMainAll.config";
constexpr char kDefaultFolderName[] = "\\TirvaloMainBack";
constexpr char kVendorFolder[] = "TirvaloSoftware";

std::string EnvValue(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string WithSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return ".";
  return exe.parent_path().string();
}

void MakeFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);  // one level at a time; failure is silent
}

// system folder + "/TirvaloSoftware" + cSettinsFolderName, created; the program folder when the
// system folder is not known.
std::string SettingsFolderUnder(const std::string& systemFolder) {
  if (systemFolder.empty()) return ProgramFolder();
  std::string folder = WithSlashes(systemFolder);
  if (folder.back() != '/') folder += '/';
  folder += kVendorFolder;
  folder += WithSlashes(cSettinsFolderName);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  MakeFolder(folder);
  return folder;
}

}  // namespace

std::string GSettingsParamSection = kDefaultParamSection;
std::string cSettinsFileName = kDefaultFileName;
std::string cSettinsFileNameAll = kDefaultFileNameAll;
std::string cSettinsFolderName = kDefaultFolderName;

void SetSettingsNames(const std::string& aParamSection, const std::string& aFileName,
                      const std::string& aFileNameAll, const std::string& aFolderName) {
  GSettingsParamSection = aParamSection;
  cSettinsFileName = aFileName;
  cSettinsFileNameAll = aFileNameAll;
  cSettinsFolderName = aFolderName;
}

void ResetSettingsNames() {
  SetSettingsNames(kDefaultParamSection, kDefaultFileName, kDefaultFileNameAll, kDefaultFolderName);
}

std::string GetSpecialSettingsFolder() {
  std::string base = EnvValue("XDG_CONFIG_HOME");
  if (base.empty()) {
    const std::string home = EnvValue("HOME");
    if (!home.empty()) base = WithSlashes(home) + (home.back() == '/' ? "" : "/") + ".config";
  }
  return SettingsFolderUnder(base);
}

std::string GetSpecialSettingsPath() { return GetSpecialSettingsFolder() + "/" + cSettinsFileName; }

std::string GetSpecialSettingsFolderAllUsers() {
  std::string dirs = EnvValue("XDG_CONFIG_DIRS");
  std::string base = dirs.substr(0, dirs.find(':'));
  if (base.empty()) base = "/etc/xdg";
  return SettingsFolderUnder(base);
}

std::string GetSpecialSettingsPathAllUsers() {
  return GetSpecialSettingsFolderAllUsers() + "/" + cSettinsFileNameAll;
}

std::string GetSpecialTempFolder() {
  std::string folder = WithSlashes(EnvValue("TMPDIR"));
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace tir
