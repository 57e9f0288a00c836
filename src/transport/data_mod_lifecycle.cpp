// Start (-160) and stop (-170) of the background data module.
#include <exception>
#include <string>

#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "frame/message_hooks.h"
#include "transport/data_mod.h"

namespace tir::transport {

namespace {

void StartDataMod(std::int32_t /*language*/) {
  delete gDataMod;
  gDataMod = nullptr;
  if (!frame::HasHostConnection()) return;  // nothing to send from
  try {
    gDataMod = new TDataMod();
  } catch (const std::exception& e) {
    frame::SendToMainMGS(std::string("Автоматическая отправка не запущена: ") + e.what(), 1, 1);
    return;
  }
  gDataMod->ReloadSettings();
}

void StopDataMod() {
  delete gDataMod;
  gDataMod = nullptr;
}

// The plug-in links this library whole, so the hooks are in place from load on.
const bool registered =
    frame::RegisterLifecycleHooks(frame::LifecycleSlot::kDataModule, &StartDataMod, &StopDataMod);

}  // namespace

void InstallDataModHooks() {
  frame::RegisterLifecycleHooks(frame::LifecycleSlot::kDataModule, &StartDataMod, &StopDataMod);
}

}  // namespace tir::transport
