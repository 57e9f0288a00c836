#include "export/uployal_ini_file_data.h"

#include "settings/ini_settings.h"

namespace tir::exporting {

void ClearTUployalINIFileData(TUployalINIFileData& data) {
  data.fActive = false;
  data.fHost.clear();
  data.fhawkId.clear();
  data.fhawkKey.clear();
  data.fGGIds.clear();
}

TUployalINIFileData ReadTUployalINIFileData() {
  TUployalINIFileData data;
  data.fActive = ReadIniSettingsParam("UployalV1_Active", 'N') == "1";
  data.fHost = ReadIniSettingsParam("UployalV1_Host", 'N');
  data.fhawkId = ReadIniSettingsParam("UployalV1_ID", 'U');
  data.fhawkKey = ReadIniSettingsParam("UployalV1_Key", 'U');
  data.fGGIds = ReadIniSettingsParam("UployalV1_GGIDs", 'N');
  return data;
}

bool WriteTUployalINIFileData(const TUployalINIFileData& data) {
  bool ok = WriteIniSettingsParam("UployalV1_Active", data.fActive ? "1" : "0", 'N');
  ok = WriteIniSettingsParam("UployalV1_Host", data.fHost, 'N') && ok;
  ok = WriteIniSettingsParam("UployalV1_ID", data.fhawkId, 'U') && ok;
  ok = WriteIniSettingsParam("UployalV1_Key", data.fhawkKey, 'U') && ok;
  return WriteIniSettingsParam("UployalV1_GGIDs", data.fGGIds, 'N') && ok;
}

}  // namespace tir::exporting
