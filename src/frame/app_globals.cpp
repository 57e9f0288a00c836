#include "frame/app_globals.h"

#include <cstddef>
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

// The string fields of TU6MenuParams: the member (to recognise AppParamText's argument) and its
// offset (to reach the packed field without an aligned load).
struct StringField {
  WideString TU6MenuParams::*member;
  std::size_t offset;
};

#define TIR_U6_STRING(field) \
  { &TU6MenuParams::field, offsetof(TU6MenuParams, field) }
const StringField kAppParamStrings[] = {
    TIR_U6_STRING(fPriceFormat),
    TIR_U6_STRING(fCountFormat),
    TIR_U6_STRING(fSettingsParamSection),
    TIR_U6_STRING(fUserName),
    TIR_U6_STRING(fResellerId),
    TIR_U6_STRING(fUserStoreId),
    TIR_U6_STRING(fUserEntId),
    TIR_U6_STRING(fSettinsFileName),
    TIR_U6_STRING(fSettinsFileNameAll),
    TIR_U6_STRING(fSettinsFolderName),
};
#undef TIR_U6_STRING

void FreeAppParamStrings() {
  for (const StringField& field : kAppParamStrings) {
    WideFree(LoadWideField(&gAppParams, field.offset));
    StoreWideField(&gAppParams, field.offset, nullptr);
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

std::string AppParamText(WideString TU6MenuParams::*field) {
  for (const StringField& known : kAppParamStrings) {
    if (known.member == field) return WideToUtf8(LoadWideField(&gAppParams, known.offset));
  }
  return {};
}

void StoreAppParams(const TU6MenuParams& params) {
  FreeAppParamStrings();
  std::memcpy(static_cast<void*>(&gAppParams), &params, sizeof(gAppParams));
  for (const StringField& field : kAppParamStrings) {
    StoreWideField(&gAppParams, field.offset, WideCopy(LoadWideField(&params, field.offset)));
  }
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
