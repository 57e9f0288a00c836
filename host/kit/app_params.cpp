// TirHostFillAppParams / TirHostFreeAppParams: the application parameters of the substitute hosts.
#include <cstring>

#include "db/connection.h"
#include "host/kit/tir_host_params.h"

extern "C" void TirHostFillAppParams(TirU6MenuParams* params, void* connection, std::int32_t userId,
                                     std::int32_t userType, const char* userName) {
  if (params == nullptr) return;
  std::memset(static_cast<void*>(params), 0, sizeof(*params));
  const auto* base = static_cast<const tir::db::Connection*>(connection);
  params->fUserID = userId;
  params->fUserType = userType;
  params->fBaseType = base != nullptr && base->Kind() == tir::db::DbKind::kMSSQL ? 1 : 0;
  params->fPriceDigit = 2;
  params->fCountDigit = 3;
  params->fDecSeparator = u'.';
  params->fSettingsParamSection = TirHostWideFromUtf8("BASE1");
  params->fUserName = TirHostWideFromUtf8(userName);
  params->fSettinsFileName = TirHostWideFromUtf8("TirvaloMain.config");
  params->fSettinsFileNameAll = TirHostWideFromUtf8("TirvaloMainAll.config");
  params->fSettinsFolderName = TirHostWideFromUtf8("\\TirvaloMainBack");
  params->fVerMainPro = 1;
}

extern "C" void TirHostFreeAppParams(TirU6MenuParams* params) {
  if (params == nullptr) return;
  for (TirChar16* text :
       {params->fPriceFormat, params->fCountFormat, params->fSettingsParamSection,
        params->fUserName, params->fResellerId, params->fUserStoreId, params->fUserEntId,
        params->fSettinsFileName, params->fSettinsFileNameAll, params->fSettinsFolderName}) {
    TirSysFreeString(text);
  }
  std::memset(static_cast<void*>(params), 0, sizeof(*params));
}
