#include "host/exchange/exchange_host_scope.h"

#include "db/connection.h"
#include "frame/app_globals.h"
#include "host/kit/tir_host_loader.h"

namespace tir::exchange {

THostScope::THostScope(db::Connection& pConnection) {
  frame::gAppParams.fBaseType = pConnection.Kind() == db::DbKind::kMSSQL ? 1 : 0;
  TirHostSetCallbackConnection(&pConnection);
  frame::gAppPackParams.fFDConnect = &pConnection;
  frame::gAppPackParams.fSysLogDB = &TirHostSysLogDB;
}

THostScope::~THostScope() {
  frame::gAppPackParams.fSysLogDB = nullptr;
  frame::gAppPackParams.fFDConnect = nullptr;
  TirHostSetCallbackConnection(nullptr);
}

}  // namespace tir::exchange
