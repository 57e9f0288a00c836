// Start (-160) and stop (-170) of the background data module.
#include "frame/message_hooks.h"
#include "transport/data_mod.h"

namespace tir::transport {

namespace {

void StartDataMod(std::int32_t /*language*/) {
  delete gDataMod;
  gDataMod = nullptr;
  try {
    gDataMod = new TDataMod();
  } catch (...) {
    return;  // no connection from the host: nothing to send from
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
