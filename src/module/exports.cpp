// The plug-in's exported entry points. Nothing else leaves the library (see exports.map). No
// exception crosses into the host: a failure is reported to the host's message log and answered
// with result 1.
#include <exception>
#include <string>

#include "db/db_error.h"
#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "module/entry_points.h"

#define TIR_EXPORT extern "C" __attribute__((visibility("default"))) TIR_STDCALL std::int32_t

using namespace tir::frame;

namespace {

template <typename Fn>
std::int32_t Guarded(const char* entry, Fn&& fn) {
  try {
    return fn();
  } catch (const tir::db::DbError& e) {
    SendToMainMGS(std::string(entry) + ": ErrorSQL: " + e.what(), 2, 1);
  } catch (const std::exception& e) {
    SendToMainMGS(std::string(entry) + ": Error: " + e.what(), 2, 1);
  } catch (...) {
    SendToMainMGS(std::string(entry) + ": Error: ExceptionUndef.", 2, 1);
  }
  return 1;
}

// The module's copies of the host's strings are freed when the host unloads the library.
struct UnloadCleanup {
  ~UnloadCleanup() { ResetAppGlobals(); }
};
const UnloadCleanup unloadCleanup;

}  // namespace

TIR_EXPORT u0() {
  return Guarded("u0", [] { return DllU0(); });
}

TIR_EXPORT u1(std::int32_t* pIn, std::int32_t* pOut) {
  if (pIn == nullptr || pOut == nullptr) return 1;
  return Guarded("u1", [&] { return DllU1(*pIn, *pOut); });
}

TIR_EXPORT u2(TDllInfo* pOut) {
  if (pOut == nullptr) return 1;
  return Guarded("u2", [&] { return DllU2(*pOut); });
}

TIR_EXPORT u60(TU6MenuParams pGlobalAppParams) {
  return Guarded("u60", [&] { return DllU60(pGlobalAppParams); });
}

TIR_EXPORT u7(TU7MenuParams pGlobalAppParams) {
  return Guarded("u7", [&] { return DllU7(pGlobalAppParams); });
}

TIR_EXPORT u3(std::int32_t* ioNumMenu, TU3MenuParams* pMenuInfo) {
  if (ioNumMenu == nullptr || pMenuInfo == nullptr) return 1;
  return Guarded("u3", [&] { return DllU3(*ioNumMenu, *pMenuInfo); });
}

TIR_EXPORT u8(TU8Params inParam) {
  return Guarded("u8", [&] { return DllU8(inParam); });
}

TIR_EXPORT u9(TModSearchIn pIn, TModSearchOut* pOut) {
  if (pOut == nullptr) return 1;
  return Guarded("u9", [&] { return DllU9(pIn, *pOut); });
}
