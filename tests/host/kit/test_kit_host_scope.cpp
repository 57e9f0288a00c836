// The host scope of programs that link the module's libraries: the record a loaded plug-in would
// receive, kept for the scope's lifetime only.
#include <gtest/gtest.h>

#include "frame/app_globals.h"
#include "host/kit/host_scope.h"
#include "recording_connection.h"
#include "tests/support/temp_base.h"

namespace {

using tir::frame::AppParamText;
using tir::frame::gAppPackParams;
using tir::frame::gAppParams;
using tir::frame::TU6MenuParams;

std::int32_t TIR_STDCALL IgnoreMessage(tir::frame::WideString, std::uint8_t, tir::frame::TDllInfo,
                                       std::uint8_t) {
  return 0;
}

TEST(HostScope, HoldsTheHostsRecordForItsBaseAndClearsItAtTheEnd) {
  tir::db::testkit::RecordingConnection server(tir::db::DbKind::kMSSQL);
  {
    const tir::hostkit::THostScope scope(
        server, {.id = 7, .type = 1, .name = "Олена", .entities = "1,2", .stores = "3"},
        &IgnoreMessage);
    EXPECT_EQ(gAppParams.fBaseType, 1);
    EXPECT_EQ(gAppParams.fUserID, 7);
    EXPECT_EQ(gAppParams.fUserType, 1);
    EXPECT_EQ(AppParamText(&TU6MenuParams::fUserName), "Олена");
    EXPECT_EQ(AppParamText(&TU6MenuParams::fUserEntId), "1,2");
    EXPECT_EQ(AppParamText(&TU6MenuParams::fUserStoreId), "3");
    EXPECT_EQ(&tir::frame::HostConnection(), &server);
    EXPECT_EQ(gAppPackParams.fLogMessage, &IgnoreMessage);
    EXPECT_NE(gAppPackParams.fSysLogDB, nullptr);
  }
  EXPECT_FALSE(tir::frame::HasHostConnection());
  EXPECT_EQ(gAppParams.fUserID, 0);
  EXPECT_EQ(gAppParams.fBaseType, 0);
  EXPECT_EQ(AppParamText(&TU6MenuParams::fUserEntId), "");
  EXPECT_EQ(gAppPackParams.fLogMessage, nullptr);

  // A later scope on an SQLite base names that kind, not the one before.
  tir::test::TempBase base;
  const tir::hostkit::THostScope scope(base.conn());
  EXPECT_EQ(gAppParams.fBaseType, 0);
  EXPECT_EQ(&tir::frame::HostConnection(), &base.conn());
}

}  // namespace
