#include "db/odbc_base.h"

#include "db/db_error.h"
#ifdef TIR_HAVE_ODBC
#include "db/odbc_connection.h"
#endif

namespace tir::db {

namespace {
constexpr char kPrefix[] = "odbc:";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
}  // namespace

bool IsOdbcBase(const std::string& base) {
  if (base.size() < kPrefixLength) return false;
  for (std::size_t i = 0; i < kPrefixLength; ++i) {
    const char c = base[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != kPrefix[i]) return false;
  }
  return true;
}

std::unique_ptr<Connection> OpenOdbcBase(const std::string& base) {
  if (!IsOdbcBase(base)) throw DbError("\"" + base + "\" is not an ODBC base (odbc:…)");
#ifdef TIR_HAVE_ODBC
  return OdbcConnection::Open(base.substr(kPrefixLength));
#else
  throw DbError("This build has no ODBC support (unixODBC was missing when it was built)");
#endif
}

}  // namespace tir::db
