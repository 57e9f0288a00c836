// DesktopSearchFunc: the picker and the change notices here, the answers from the host kit.
#include "host/desktop/host_requests.h"

#include <exception>
#include <iostream>
#include <utility>

#include "db/sql_text.h"
#include "host/kit/wide_text.h"

namespace tir::desktop {
namespace {

HostRequestHandlers& Handlers() {
  static HostRequestHandlers handlers;
  return handlers;
}

std::int32_t Refuse(TirModSearchOut* pOut) {
  TirHostClearSearchOut(pOut);
  pOut->fCanceled = 1;
  return 1;
}

}  // namespace

void SetHostRequestHandlers(HostRequestHandlers handlers) { Handlers() = std::move(handlers); }

std::int32_t TIR_HOST_STDCALL DesktopSearchFunc(TirModSearchIn pIn, TirModSearchOut* pOut) {
  if (pOut == nullptr) return 1;
  const HostRequestHandlers& handlers = Handlers();
  if (pIn.fModuleId == 20 && pIn.fSearchMode == 888020 && handlers.pickGroups) {
    const std::string current = hostkit::Utf8OfWide(pIn.fSearchStr);
    std::string chosen;
    try {
      if (!db::IsValidIdList(current) || !handlers.pickGroups(current, chosen) ||
          !db::IsValidIdList(chosen)) {
        return Refuse(pOut);
      }
    } catch (const std::exception& e) {  // nothing is thrown back into the module
      std::cerr << "tirhost: the goods-group picker failed: " << e.what() << "\n";
      return Refuse(pOut);
    }
    // The kit answers the chosen list with its names.
    TirHostConfigureGroupPicker(chosen.c_str());
    const std::int32_t result = TirHostSearchFunc(pIn, pOut);
    TirHostConfigureGroupPicker(nullptr);
    return result;
  }
  const std::int32_t result = TirHostSearchFunc(pIn, pOut);
  const bool notice = (pIn.fModuleId == 20 && pIn.fSearchMode == 888046) ||
                      (pIn.fModuleId == 170 && pIn.fSearchMode == 1024);
  if (result == 0 && notice && handlers.changed) handlers.changed(pIn.fModuleId, pIn.fSearchMode);
  return result;
}

}  // namespace tir::desktop
