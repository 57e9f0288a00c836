#pragma once

// The host context for module libraries linked straight into a host program (tirdex, the
// exchange service, tests, benchmarks). A host that loads the plug-in passes the same records
// through u60 and u7 instead (TirHostFillAppParams, TirHostStartModule).

#include <cstdint>
#include <string>

#include "frame/packets_main.h"

namespace tir::db {
class Connection;
}

namespace tir::hostkit {

// The signed-in user as the host describes it.
struct THostUser {
  std::int32_t id = 0;
  std::int32_t type = 0;
  std::string name;
  std::string entities;  // fUserEntId: the user's entity id list, "" for all
  std::string stores;    // fUserStoreId: the user's store id list, "" for all
};

// For its lifetime the base is the host's connection: the application parameters are those a
// host passes for `pUser` on this base (its kind included), log lines go to the base's tirSysLog
// through the host's callbacks and host messages to `pLogMessage` (none when null). The end of
// the scope resets the module's globals.
class THostScope {
 public:
  explicit THostScope(db::Connection& pConnection, const THostUser& pUser = {},
                      frame::TF_DllU10 pLogMessage = nullptr);
  ~THostScope();
  THostScope(const THostScope&) = delete;
  THostScope& operator=(const THostScope&) = delete;
};

}  // namespace tir::hostkit
