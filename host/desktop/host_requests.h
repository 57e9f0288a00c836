// The desktop host's answers to the module's requests (fSearchFunc) and where its messages go.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/kit/tir_host_loader.h"

namespace tir::desktop {

struct HostRequestHandlers {
  // The goods-group picker: `current` is the module's id list; true with the chosen id list in
  // `chosen`, false when the user cancels.
  std::function<bool(const std::string& current, std::string& chosen)> pickGroups;
  // A change the host shows in its status line (catalog or settlements changed).
  std::function<void(std::int32_t moduleId, std::int32_t searchMode)> changed;
};

// Installs the handlers the search function uses (empty handlers: the kit's answers only).
void SetHostRequestHandlers(HostRequestHandlers handlers);

// fSearchFunc of the desktop host. Module 20: 888020 asks the picker and answers the chosen list
// and its names, 888023 the names of a group list, 888046 (catalog changed) is shown; module 170:
// 5000 the arrears of a contract, 1024 (settlements changed) is shown. Everything else is
// answered by the host kit's search function.
std::int32_t TIR_HOST_STDCALL DesktopSearchFunc(TirModSearchIn pIn, TirModSearchOut* pOut);

}  // namespace tir::desktop
