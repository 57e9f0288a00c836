#include "odbc_sqlite_driver.h"

#include <filesystem>

namespace tir::db::testkit {

std::string SqliteOdbcString(const std::string& path) {
  const std::string driver = TIR_SQLITE_ODBC_DRIVER;
  std::error_code ec;
  if (driver.empty() || !std::filesystem::exists(driver, ec)) return std::string();
  return "Driver=" + driver + ";Database=" + path + ";Timeout=5000";
}

}  // namespace tir::db::testkit
