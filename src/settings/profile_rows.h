#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/connection.h"
#include "settings/tir_codes.h"

namespace tir {

class TSettingsRecord;

// The database's GUID code: per-user settings file, section "MAIN", key "GUIDCODE", mode 'N'.
std::string gGetBaseGUIDCode();

// One profile row of tirSettings.
struct TProfileRow {
  std::int32_t fId = 0;
  std::string fPStr;
  double fPDate = 0;
};

// The profile rows of a GUID code and kind (-2 or -3), in the order the base returns them.
// Raises db::DbError.
std::vector<TProfileRow> LoadProfileRows(db::Connection& aConnection, const std::string& aGUIDCode,
                                         int aPType);

// Replaces every row of the GUID code and kind with one row holding aStr (fPDate = 0), in one
// batch. Raises db::DbError; the previous rows stay when the base refuses the change.
void SaveProfileRow(db::Connection& aConnection, const std::string& aGUIDCode, int aPType,
                    const std::string& aStr);

// Reads the first stored row of the kind into aProfile (ReadFromStr) and gives its row, or
// leaves aProfile alone and returns a row with fId 0 when there is none.
TProfileRow LoadProfile(db::Connection& aConnection, const std::string& aGUIDCode, int aPType,
                        TSettingsRecord& aProfile);
// SaveProfileRow with aProfile.SaveToStr().
void SaveProfile(db::Connection& aConnection, const std::string& aGUIDCode, int aPType,
                 TSettingsRecord& aProfile);

}  // namespace tir
