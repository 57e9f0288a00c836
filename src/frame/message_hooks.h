#pragma once

// Extension points of the module's message handler (u9) and of its start (-160) and stop (-170)
// for subsystems that live in other libraries. A library registers at static-initialisation time
// from one of its own source files; the plug-in links every library whole-archive, so such a
// registrar is kept even when nothing else refers to its file:
//
//   namespace {
//   std::int32_t OnExportOneDoc(const tir::frame::TModSearchIn& in, tir::frame::TModSearchOut&
//   out); const bool registered = tir::frame::RegisterMessageHandler(888034, OnExportOneDoc);
//   }

#include <cstdint>

#include "frame/packets_main.h"

namespace tir::frame {

// Handles one u9 message addressed to the module (fModuleId 410). `pOut` was cleared already.
// Returns the result of u9.
using MessageHandler = std::int32_t (*)(const TModSearchIn& pIn, TModSearchOut& pOut);

// Registers the handler of a message code; a later registration of the same code replaces the
// earlier one. Returns true (for use in a static initialiser).
bool RegisterMessageHandler(std::int32_t searchMode, MessageHandler handler);
// The registered handler of a code, or null while nothing is registered.
MessageHandler FindMessageHandler(std::int32_t searchMode);
void UnregisterMessageHandler(std::int32_t searchMode);

// Start and stop steps of other subsystems. At -160 the module runs, in this order: the JSON
// library's start, the creation of the language module, the background data module's start; at
// -170: the background data module's stop, freeing the language module, the JSON library's stop.
// A stop step must be harmless when its start has not run. The user interface (the Qt services of
// a GUI build) starts after the language module and before the data module, so that the data
// module's timer is the user interface's, and stops right after the data module.
enum class LifecycleSlot : std::uint8_t { kJsonLibrary, kDataModule, kUserInterface };
using StartHook = void (*)(std::int32_t language);
using StopHook = void (*)();
// Called by u60 after gAppParams was stored (the settings names of the settings subsystem are
// filled from here). Several hooks may be registered; they run in registration order.
using AppParamsHook = void (*)(const TU6MenuParams& params);
bool RegisterAppParamsHook(AppParamsHook hook);
void RunAppParamsHooks(const TU6MenuParams& params);

bool RegisterLifecycleHooks(LifecycleSlot slot, StartHook start, StopHook stop);
void RunStartHook(LifecycleSlot slot, std::int32_t language);
void RunStopHook(LifecycleSlot slot);

}  // namespace tir::frame
