// UTF-8 texts of the module's strings for C++ hosts (libtirhostkit.so).
#pragma once

#include <string>

#include "host/kit/tir_host_kit.h"

namespace tir::hostkit {

// The text of a wide string (length-prefixed, as in the records); "" for nullptr.
TIR_HOSTKIT_API std::string Utf8OfWide(const TirChar16* wide);
// The text of a zero-terminated wide text (fMenuName, fDllName); "" for nullptr.
TIR_HOSTKIT_API std::string Utf8OfPWide(const TirChar16* text);

}  // namespace tir::hostkit
