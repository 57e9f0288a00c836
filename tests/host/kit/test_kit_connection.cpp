// TirHostOpenConnection / TirHostCloseConnection and the symbols the kit library exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/connection.h"
#include "db/sqlite_connection.h"
#include "host/kit/tir_host_kit.h"
#include "host/kit/tir_host_loader.h"
#include "tests/support/temp_base.h"

namespace {

using tir::test::ScalarInt;
using tir::test::TempPath;

// Removes the base files when a test ends.
struct BaseFile {
  std::string path = TempPath();
  ~BaseFile() { tir::test::RemoveBaseFiles(path); }
};

int64_t CountTables(tir::db::Connection& conn) {
  return ScalarInt(conn,
                   "SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name LIKE 'tir%'");
}

TEST(HostKitConnection, NewFileReceivesTheSchema) {
  BaseFile file;
  void* handle = TirHostOpenConnection(file.path.c_str());
  ASSERT_NE(handle, nullptr);
  auto& conn = *static_cast<tir::db::Connection*>(handle);
  EXPECT_EQ(conn.Kind(), tir::db::DbKind::kSQLite);
  EXPECT_GT(CountTables(conn), 40);
  EXPECT_EQ(ScalarInt(conn, "SELECT fcr FROM tirGoodsGroups WHERE fclev=0"), 2);
  TirHostCloseConnection(handle);
  EXPECT_TRUE(std::filesystem::exists(file.path));
}

TEST(HostKitConnection, EmptyFileReceivesTheSchema) {
  BaseFile file;
  std::ofstream(file.path).close();
  void* handle = TirHostOpenConnection(file.path.c_str());
  ASSERT_NE(handle, nullptr);
  EXPECT_GT(CountTables(*static_cast<tir::db::Connection*>(handle)), 40);
  TirHostCloseConnection(handle);
}

TEST(HostKitConnection, ExistingBaseIsUsedAsItIs) {
  tir::test::TempBase file(false);
  file.conn().ExecScript(
      "CREATE TABLE tirGoods (fId INTEGER PRIMARY KEY, fName TEXT);"
      "INSERT INTO tirGoods (fName) VALUES ('Сир твердий');");
  file.Close();
  void* handle = TirHostOpenConnection(file.path().c_str());
  ASSERT_NE(handle, nullptr);
  auto& conn = *static_cast<tir::db::Connection*>(handle);
  EXPECT_EQ(CountTables(conn), 1) << "a base that has tables gets no schema added";
  EXPECT_EQ(ScalarInt(conn, "SELECT COUNT(*) FROM tirGoods"), 1);
  TirHostCloseConnection(handle);

  // Reopening a base made by the kit keeps its rows.
  BaseFile second;
  void* first = TirHostOpenConnection(second.path.c_str());
  ASSERT_NE(first, nullptr);
  static_cast<tir::db::SqliteConnection*>(static_cast<tir::db::Connection*>(first))
      ->ExecScript("INSERT INTO tirGoods (fName) VALUES ('Масло');");
  TirHostCloseConnection(first);
  void* again = TirHostOpenConnection(second.path.c_str());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(ScalarInt(*static_cast<tir::db::Connection*>(again), "SELECT COUNT(*) FROM tirGoods"),
            1);
  EXPECT_EQ(
      ScalarInt(*static_cast<tir::db::Connection*>(again), "SELECT COUNT(*) FROM tirGoodsGroups"),
      1);
  TirHostCloseConnection(again);
}

TEST(HostKitConnection, UnusablePathsGiveNullAndAMessage) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(TirHostOpenConnection("/nonexistent-dir/sub/base.sqlite"), nullptr);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("TirHostOpenConnection"), std::string::npos);
  EXPECT_NE(message.find("/nonexistent-dir/sub/base.sqlite"), std::string::npos);

  testing::internal::CaptureStderr();
  EXPECT_EQ(TirHostOpenConnection(nullptr), nullptr);
  EXPECT_EQ(TirHostOpenConnection(""), nullptr);
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());

  BaseFile garbage;
  std::ofstream(garbage.path) << std::string(4096, 'x');
  testing::internal::CaptureStderr();
  EXPECT_EQ(TirHostOpenConnection(garbage.path.c_str()), nullptr);
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());

  TirHostCloseConnection(nullptr);
}

TEST(HostKitConnection, ClosingTheConnectionDetachesTheCallbacks) {
  BaseFile file;
  void* handle = TirHostOpenConnection(file.path.c_str());
  ASSERT_NE(handle, nullptr);
  TirHostDefaultServices(handle, nullptr);
  EXPECT_EQ(TirHostSysLogDB(1, 7, 0, 0, nullptr), 0);
  TirHostCloseConnection(handle);
  EXPECT_EQ(TirHostSysLogDB(1, 7, 0, 0, nullptr), 1);  // no base: nothing written, no crash
}

TEST(HostKitConnection, LibraryExportsOnlyTheKitEntryPoints) {
  void* lib = dlopen(TIR_HOSTKIT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : {"TirHostOpenConnection", "TirHostCloseConnection",
                           "TirSysAllocStringLen", "TirSysFreeString"}) {
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  }
  // The schema library linked into the kit stays inside it.
  EXPECT_EQ(dlsym(lib, "_ZN3tir6schema9SqliteDdlB5cxx11Ev"), nullptr);
  EXPECT_EQ(dlsym(lib, "_ZN3tir6schema9SqliteDdlEv"), nullptr);
  dlclose(lib);
}

}  // namespace
