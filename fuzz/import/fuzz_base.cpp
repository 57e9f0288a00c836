#include "fuzz/import/fuzz_base.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "db/query.h"
#include "host/schema/schema.h"

namespace tir::fuzz {

db::SqliteConnection& Base() {
  static const std::unique_ptr<db::SqliteConnection> base = [] {
    auto connection = db::SqliteConnection::Open(":memory:");
    schema::CreateSchema(*connection);
    return connection;
  }();
  return *base;
}

namespace {

// The scratch file's path; the file goes when the process ends normally.
struct ScratchFile {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("tir_fuzz_" + std::to_string(::getpid()) + ".json"))
                         .string();
  ScratchFile() = default;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

}  // namespace

const std::string& WriteInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFile scratch;
  std::ofstream out(scratch.path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return scratch.path;
}

std::int64_t RowCount() {
  db::Query query(Base());
  query.SetSql(
      "SELECT (SELECT COUNT(*) FROM tirGoods) + (SELECT COUNT(*) FROM tirGoodsGroups) + "
      "(SELECT COUNT(*) FROM tirPrices) + (SELECT COUNT(*) FROM tirPartners) + "
      "(SELECT COUNT(*) FROM tirDocuments) + (SELECT COUNT(*) FROM tirDocGoods) + "
      "(SELECT COUNT(*) FROM tirSettings)");
  query.Open();
  return query.FieldByIndex(0).Get().AsInt64();
}

}  // namespace tir::fuzz
