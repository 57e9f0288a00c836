// The module loader: dlopen, entry points, start and stop in the order a host runs them.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "db/unicode_case.h"
#include "host/kit/tir_host_loader.h"
#include "settings/tir_codes.h"

namespace {

void SetError(char* error, std::size_t errorSize, const std::string& text) {
  if (error == nullptr || errorSize == 0) return;
  std::snprintf(error, errorSize, "%s", text.c_str());
}

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn& target, std::string& missing) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    missing += missing.empty() ? name : std::string(", ") + name;
    return false;
  }
  target = reinterpret_cast<Fn>(symbol);
  return true;
}

std::size_t CopyUtf8(const std::string& text, char* buffer, std::size_t bufferSize) {
  if (buffer != nullptr && bufferSize > 0) {
    const std::size_t n = text.size() < bufferSize ? text.size() : bufferSize - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return text.size();
}

std::u16string WideText(const TirChar16* wide) {
  if (wide == nullptr) return {};
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(wide) - 4, 4);
  return std::u16string(wide, bytes / 2);
}

}  // namespace

extern "C" TirHostModule* TirHostLoadModule(const char* path, char* error, std::size_t errorSize) {
  if (path == nullptr) {
    SetError(error, errorSize, "No module path given.");
    return nullptr;
  }
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    SetError(error, errorSize, std::string("Cannot load the module: ") + (why ? why : path));
    return nullptr;
  }
  auto* module = new (std::nothrow) TirHostModule{};
  if (module == nullptr) {
    dlclose(handle);
    SetError(error, errorSize, "Out of memory.");
    return nullptr;
  }
  module->handle = handle;
  std::string missing;
  Resolve(handle, "u0", module->u0, missing);
  Resolve(handle, "u1", module->u1, missing);
  Resolve(handle, "u2", module->u2, missing);
  Resolve(handle, "u60", module->u60, missing);
  Resolve(handle, "u7", module->u7, missing);
  Resolve(handle, "u3", module->u3, missing);
  Resolve(handle, "u8", module->u8, missing);
  Resolve(handle, "u9", module->u9, missing);
  if (!missing.empty()) {
    SetError(error, errorSize, "The library is not a module: entry points missing: " + missing);
    dlclose(handle);
    delete module;
    return nullptr;
  }
  return module;
}

extern "C" std::int32_t TirHostStartModule(TirHostModule* module, const TirU6MenuParams* appParams,
                                           const TirU7MenuParams* services, std::int32_t language,
                                           char* error, std::size_t errorSize) {
  if (module == nullptr || appParams == nullptr || services == nullptr) {
    SetError(error, errorSize, "No module or parameters given.");
    return 1;
  }
  if (module->u0() != 0) {
    SetError(error, errorSize, "u0 failed.");
    return 1;
  }
  std::int32_t in = 0;
  std::int32_t challenge = 0;
  module->u1(&in, &challenge);
  std::int32_t answer = challenge;
  std::int32_t unused = 0;
  if (challenge == 0 || module->u1(&answer, &unused) != 0) {
    SetError(error, errorSize, "The module refused the handshake.");
    return 2;
  }
  if (module->u2(&module->info) != 0) {
    SetError(error, errorSize, "u2 refused to identify the module.");
    return 3;
  }
  if (module->u60(*appParams) != 0) {
    SetError(error, errorSize, "u60 refused the application parameters.");
    return 4;
  }
  if (module->u7(*services) != 0) {
    SetError(error, errorSize, "u7 failed (the user's rights could not be read).");
    return 5;
  }
  TirModSearchOut out{};
  TirHostSendMessage(module, -160, language, &out);
  TirHostClearSearchOut(&out);
  module->started = 1;
  return 0;
}

extern "C" void TirHostStopModule(TirHostModule* module) {
  if (module == nullptr || module->started == 0) return;
  TirModSearchOut out{};
  TirHostSendMessage(module, -170, 0, &out);
  TirHostClearSearchOut(&out);
  module->started = 0;
}

extern "C" void TirHostUnloadModule(TirHostModule* module) {
  if (module == nullptr) return;
  TirHostStopModule(module);
  dlclose(module->handle);
  delete module;
}

extern "C" void TirHostClearSearchIn(TirModSearchIn* rec) {
  if (rec == nullptr) return;
  TirSysFreeString(rec->fSearchStr);
  TirSysFreeString(rec->fStr1);
  TirSysFreeString(rec->fStr2);
  TirSysFreeString(rec->fStr3);
  std::memset(static_cast<void*>(rec), 0, sizeof(*rec));
  rec->fPriceId = 1;
}

extern "C" void TirHostClearSearchOut(TirModSearchOut* rec) {
  if (rec == nullptr) return;
  for (TirChar16* str : {rec->fCode, rec->fName, rec->fNameFull, rec->fNameShowMod, rec->fBarCode,
                         rec->fStr1, rec->fStr2, rec->fStr3, rec->fStrDataList}) {
    TirSysFreeString(str);
  }
  std::memset(static_cast<void*>(rec), 0, sizeof(*rec));
}

extern "C" std::int32_t TirHostSendMessage(TirHostModule* module, std::int32_t mode,
                                           std::int64_t data1, TirModSearchOut* pOut) {
  if (module == nullptr || pOut == nullptr) return 1;
  TirHostClearSearchOut(pOut);
  TirModSearchIn in{};
  TirHostClearSearchIn(&in);
  in.fModuleId = tir::kDllId;
  in.fSearchMode = mode;
  in.fDataBigInt1 = data1;
  return module->u9(in, pOut);
}

extern "C" TirChar16* TirHostWideFromUtf8(const char* utf8) {
  if (utf8 == nullptr || *utf8 == '\0') return nullptr;
  const std::u16string text = tir::db::Utf8ToUtf16(utf8);
  return TirSysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
}

extern "C" std::size_t TirHostWideToUtf8(const TirChar16* wide, char* buffer,
                                         std::size_t bufferSize) {
  return CopyUtf8(tir::db::Utf16ToUtf8(WideText(wide)), buffer, bufferSize);
}

extern "C" std::size_t TirHostPWideToUtf8(const TirChar16* text, char* buffer,
                                          std::size_t bufferSize) {
  return CopyUtf8(text == nullptr ? std::string() : tir::db::Utf16ToUtf8(std::u16string(text)),
                  buffer, bufferSize);
}

extern "C" TirExtended TirHostExtendedFromDouble(double value) {
  TirExtended e{};
  const long double wide = value;
  std::memcpy(e.bytes, &wide, sizeof(e.bytes));
  return e;
}

extern "C" double TirHostExtendedToDouble(TirExtended value) {
  long double wide = 0.0L;
  std::memcpy(&wide, value.bytes, sizeof(value.bytes));
  return static_cast<double>(wide);
}
