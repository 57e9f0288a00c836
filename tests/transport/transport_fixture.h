#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "frame/app_globals.h"
#include "settings/ini_settings.h"
#include "tests/support/temp_base.h"

namespace tir::test {

// A base with the full schema handed to the module as the host's connection, and a per-user
// settings file (in a temporary configuration folder) that names the base's GUID code.
class TransportBase {
 public:
  static constexpr const char* kGuidCode = "BASE-GUID-CODE-1";

  TransportBase() : config_(std::filesystem::path(TempPath("-config"))) {
    std::filesystem::create_directories(config_);
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    WriteIniSettingsSectionAndParam("MAIN", "GUIDCODE", kGuidCode, 'N');
    frame::gAppPackParams.fFDConnect = &base_.conn();
  }
  ~TransportBase() {
    frame::gAppPackParams.fFDConnect = nullptr;
    std::filesystem::remove_all(config_);
  }

  tir::db::SqliteConnection& conn() { return base_.conn(); }
  const std::string& path() const { return base_.path(); }

 private:
  TempBase base_;
  std::filesystem::path config_;
};

}  // namespace tir::test
