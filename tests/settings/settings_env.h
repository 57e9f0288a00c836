#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "settings/settings_folders.h"

namespace tir::test {

// Points the settings folders at a fresh temporary tree for one test and puts the environment
// and the settings names back afterwards.
class SettingsEnv {
 public:
  SettingsEnv() {
    root_ = std::filesystem::temp_directory_path() /
            ("tir_settings_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(root_);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "HOME", "TMPDIR"}) {
      const char* v = std::getenv(name);
      saved_[name] = v ? std::optional<std::string>(v) : std::nullopt;
    }
    Set("XDG_CONFIG_HOME", (root_ / "user").string());
    Set("XDG_CONFIG_DIRS", (root_ / "all").string() + ":/etc/xdg");
    ResetSettingsNames();
  }
  ~SettingsEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    ResetSettingsNames();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  SettingsEnv(const SettingsEnv&) = delete;
  SettingsEnv& operator=(const SettingsEnv&) = delete;

  static void Set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
  static void Unset(const char* name) { ::unsetenv(name); }
  std::string Root() const { return root_.string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace tir::test
