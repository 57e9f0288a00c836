#include "host/kit/host_scope.h"

#include <cstring>

#include "frame/app_globals.h"
#include "frame/wide_string.h"
#include "host/kit/tir_host_params.h"

namespace tir::hostkit {

static_assert(sizeof(TirU6MenuParams) == sizeof(frame::TU6MenuParams));

THostScope::THostScope(db::Connection& pConnection, const THostUser& pUser,
                       frame::TF_DllU10 pLogMessage) {
  // The same record a loaded plug-in receives in u60, so both ways see one set of parameters.
  TirU6MenuParams filled;
  TirHostFillAppParams(&filled, &pConnection, pUser.id, pUser.type, pUser.name.c_str());
  frame::TU6MenuParams app;
  std::memcpy(static_cast<void*>(&app), &filled, sizeof(app));
  app.fUserEntId = frame::WideAllocUtf8(pUser.entities);
  app.fUserStoreId = frame::WideAllocUtf8(pUser.stores);
  frame::StoreAppParams(app);
  frame::WideFree(app.fUserEntId);
  frame::WideFree(app.fUserStoreId);
  TirHostFreeAppParams(&filled);

  TirHostSetCallbackConnection(&pConnection);
  frame::gAppPackParams.fFDConnect = &pConnection;
  frame::gAppPackParams.fSysLogDB = &TirHostSysLogDB;
  frame::gAppPackParams.fLogMessage = pLogMessage;
}

THostScope::~THostScope() {
  frame::ResetAppGlobals();  // also frees the strings StoreAppParams copied
  TirHostSetCallbackConnection(nullptr);
}

}  // namespace tir::hostkit
