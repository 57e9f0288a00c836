#pragma once

#include <string>

namespace tir {

// Settings names. The module starts with the defaults below; the frame replaces them with the
// host's values (fSettingsParamSection, fSettinsFileName, fSettinsFileNameAll, fSettinsFolderName)
// when the host hands over its application parameters (u60). User-interface thread only.
extern std::string GSettingsParamSection;  // "BASE1": section of the per-user key operations
extern std::string cSettinsFileName;       // "TirvaloMain.config": per-user INI file
extern std::string cSettinsFileNameAll;    // "TirvaloMainAll.config": all-users INI file
extern std::string cSettinsFolderName;     // "\TirvaloMainBack": sub-folder, leading backslash

// The four names at once, as u60 sets them.
void SetSettingsNames(const std::string& aParamSection, const std::string& aFileName,
                      const std::string& aFileNameAll, const std::string& aFolderName);
// Back to the defaults above.
void ResetSettingsNames();

// Folders, with "/" as separator; a "\" in cSettinsFolderName counts as one. Each getter creates
// the folder when it is missing (a folder that cannot be created is still returned).
//  - per-user application data: $XDG_CONFIG_HOME, else $HOME/.config;
//  - all users: the first entry of $XDG_CONFIG_DIRS, else /etc/xdg;
// each + "/TirvaloSoftware" + cSettinsFolderName. When the system folder cannot be determined the
// folder of the running program is used instead.
std::string GetSpecialSettingsFolder();
std::string GetSpecialSettingsPath();  // GetSpecialSettingsFolder + "/" + cSettinsFileName
std::string GetSpecialSettingsFolderAllUsers();
std::string GetSpecialSettingsPathAllUsers();  // ... + "/" + cSettinsFileNameAll
// The system temporary folder ($TMPDIR, else /tmp), always ending in "/".
std::string GetSpecialTempFolder();

}  // namespace tir
