#include "frame/message_hooks.h"

#include <map>
#include <vector>

namespace tir::frame {

namespace {

std::map<std::int32_t, MessageHandler>& Handlers() {
  static std::map<std::int32_t, MessageHandler> handlers;
  return handlers;
}

struct Hooks {
  StartHook start = nullptr;
  StopHook stop = nullptr;
};

std::map<LifecycleSlot, Hooks>& LifecycleHooks() {
  static std::map<LifecycleSlot, Hooks> hooks;
  return hooks;
}

}  // namespace

bool RegisterMessageHandler(std::int32_t searchMode, MessageHandler handler) {
  Handlers()[searchMode] = handler;
  return true;
}

MessageHandler FindMessageHandler(std::int32_t searchMode) {
  const auto it = Handlers().find(searchMode);
  return it == Handlers().end() ? nullptr : it->second;
}

void UnregisterMessageHandler(std::int32_t searchMode) { Handlers().erase(searchMode); }

static std::vector<AppParamsHook>& AppParamsHooks() {
  static std::vector<AppParamsHook> hooks;
  return hooks;
}

bool RegisterAppParamsHook(AppParamsHook hook) {
  AppParamsHooks().push_back(hook);
  return true;
}

void RunAppParamsHooks(const TU6MenuParams& params) {
  for (AppParamsHook hook : AppParamsHooks()) hook(params);
}

bool RegisterLifecycleHooks(LifecycleSlot slot, StartHook start, StopHook stop) {
  LifecycleHooks()[slot] = Hooks{start, stop};
  return true;
}

void RunStartHook(LifecycleSlot slot, std::int32_t language) {
  const auto it = LifecycleHooks().find(slot);
  if (it != LifecycleHooks().end() && it->second.start != nullptr) it->second.start(language);
}

void RunStopHook(LifecycleSlot slot) {
  const auto it = LifecycleHooks().find(slot);
  if (it != LifecycleHooks().end() && it->second.stop != nullptr) it->second.stop();
}

}  // namespace tir::frame
