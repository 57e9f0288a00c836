#pragma once

#include <string>

namespace tir::exporting {

// The connection settings of the loyalty platform. They live in the per-user settings file,
// section GSettingsParamSection, under the keys "UployalV1_Active", "UployalV1_Host",
// "UployalV1_ID", "UployalV1_Key" and "UployalV1_GGIDs"; the two credentials are kept in the
// scrambled form, the others as they are. No value is built into the module.
struct TUployalINIFileData {
  bool fActive = false;  // the loyalty upload is on
  std::string fHost;     // the platform's address
  std::string fhawkId;   // Hawk credential id
  std::string fhawkKey;  // Hawk credential key
  std::string fGGIds;    // goods groups excluded from loyalty, as a list
};

void ClearTUployalINIFileData(TUployalINIFileData& data);
// Missing keys read as empty texts (and an upload that is off).
TUployalINIFileData ReadTUployalINIFileData();
// False when the settings file could not be written.
bool WriteTUployalINIFileData(const TUployalINIFileData& data);

}  // namespace tir::exporting
