#pragma once

#include <functional>
#include <string>

namespace tir {

class TDataExOut;

// Work the profiles hand to the export side, which links above the settings library. The module
// installs these at start; without them GetGUIDBase gives an empty text and SaveFile fails.

// The database's global GUID text as the universal builder reports it.
using TGUIDBaseFunc = std::function<std::string()>;
void SetGUIDBaseFunc(TGUIDBaseFunc aFunc);
std::string CallGUIDBaseFunc();

// Writes the full export of [aFrom, aTo] for a universal export profile into its mFilePath;
// true on success.
using TDataExOutSaveFileFunc =
    std::function<bool(const TDataExOut& aProfile, double aFrom, double aTo)>;
void SetDataExOutSaveFileFunc(TDataExOutSaveFileFunc aFunc);
bool CallDataExOutSaveFileFunc(const TDataExOut& aProfile, double aFrom, double aTo);

}  // namespace tir
