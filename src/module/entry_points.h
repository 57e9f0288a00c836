#pragma once

// The module's entry points. The plug-in exports them unmangled as u0, u1, u2, u60, u7, u3, u8 and
// u9; these functions do the work and may raise tir::db::DbError (rights query), which the exported
// wrappers turn into a result.

#include <cstdint>

#include "frame/packets_main.h"

namespace tir::frame {

constexpr std::int32_t kMenuItemCount = 31;
constexpr std::int32_t kMenuGroupId = 590;
constexpr std::int32_t kCommandUniversal = 600;
constexpr std::int32_t kCommandInetShop = 610;
constexpr std::int32_t kCommandLoadFile = 611;

std::int32_t DllU0();
std::int32_t DllU1(std::int32_t& pIn, std::int32_t& pOut);
std::int32_t DllU2(TDllInfo& pOut);
std::int32_t DllU60(const TU6MenuParams& pGlobalAppParams);
std::int32_t DllU7(const TU7MenuParams& pGlobalAppParams);
std::int32_t DllU3(std::int32_t& ioNumMenu, TU3MenuParams& pMenuInfo);
std::int32_t DllU8(const TU8Params& inParam);
std::int32_t DllU9(const TModSearchIn& pIn, TModSearchOut& pOut);

// Message -160 and -170: start and stop of the language module and of the subsystems that
// registered lifecycle hooks.
void StartModule(std::int32_t language);
void StopModule();

}  // namespace tir::frame
