#include "frame/app_globals.h"

#include <cstring>

#include "db/connection.h"
#include "db/db_error.h"

namespace tir::frame {

TDllInfo dllInfo{};
std::int32_t hsCount = 0;
bool hsOK = false;
std::int32_t hsOldOutParam = 0;
TU6MenuParams gAppParams{};
TU7MenuParams gAppPackParams{};
std::int32_t gDllUserRights = 0;
TDMLang* DMLang = nullptr;
std::int32_t cgiVersion = 0;

namespace {

constexpr WideString TU6MenuParams::*kAppParamStrings[] = {
    &TU6MenuParams::fPriceFormat,
    &TU6MenuParams::fCountFormat,
    &TU6MenuParams::fSettingsParamSection,
    &TU6MenuParams::fUserName,
    &TU6MenuParams::fResellerId,
    &TU6MenuParams::fUserStoreId,
    &TU6MenuParams::fUserEntId,
    &TU6MenuParams::fSettinsFileName,
    &TU6MenuParams::fSettinsFileNameAll,
    &TU6MenuParams::fSettinsFolderName,
};

void FreeAppParamStrings() {
  for (auto field : kAppParamStrings) {
    WideFree(gAppParams.*field);
    gAppParams.*field = nullptr;
  }
}

}  // namespace

db::Connection& HostConnection() {
  if (gAppPackParams.fFDConnect == nullptr) {
    throw db::DbError("The host has not passed a database connection.");
  }
  return *static_cast<db::Connection*>(gAppPackParams.fFDConnect);
}

bool HasHostConnection() { return gAppPackParams.fFDConnect != nullptr; }

std::string AppParamText(WideString TU6MenuParams::*field) { return WideToUtf8(gAppParams.*field); }

void StoreAppParams(const TU6MenuParams& params) {
  FreeAppParamStrings();
  std::memcpy(static_cast<void*>(&gAppParams), &params, sizeof(gAppParams));
  for (auto field : kAppParamStrings) gAppParams.*field = WideCopy(params.*field);
}

void ResetAppGlobals() {
  FreeAppParamStrings();
  dllInfo = TDllInfo{};
  hsCount = 0;
  hsOK = false;
  hsOldOutParam = 0;
  gAppParams = TU6MenuParams{};
  gAppPackParams = TU7MenuParams{};
  gDllUserRights = 0;
  cgiVersion = 0;
}

}  // namespace tir::frame
