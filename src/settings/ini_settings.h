#pragma once

#include <string>

namespace tir {

// INI settings operations. Every operation opens the file, does one read or one write and closes
// it; nothing is cached. A missing file, section or key reads as an empty text. Writes return
// false when the file cannot be written (the callers may ignore that; nothing is shown).
//
// aMode: 'B' = Base64 of the value's UTF-16LE bytes, 'U' = the scrambled form (gEncodeStr),
// anything else ('N') = the value itself. Values are UTF-8.

// Stored form of a value in a mode, and the value of a stored form.
std::string EncodeIniValue(const std::string& aValue, char aMode);
std::string DecodeIniValue(const std::string& aStored, char aMode);

// One value of any INI file.
std::string ReadIniFileValue(const std::string& aPath, const std::string& aSection,
                             const std::string& aKey, char aMode);
bool WriteIniFileValue(const std::string& aPath, const std::string& aSection,
                       const std::string& aKey, const std::string& aValue, char aMode);

// Per-user file (GetSpecialSettingsPath); the *Param forms use section GSettingsParamSection.
std::string ReadIniSettingsSectionAndParam(const std::string& aSection, const std::string& aKey,
                                           char aMode);
std::string ReadIniSettingsParam(const std::string& aKey, char aMode);
bool WriteIniSettingsSectionAndParam(const std::string& aSection, const std::string& aKey,
                                     const std::string& aValue, char aMode);
bool WriteIniSettingsParam(const std::string& aKey, const std::string& aValue, char aMode);

// All-users file (GetSpecialSettingsPathAllUsers); the *Param forms use section "GLOBAL".
std::string ReadIniSettingsParamAllUsers(const std::string& aKey, char aMode);
bool WriteIniSettingsParamAllUsers(const std::string& aKey, const std::string& aValue, char aMode);
std::string ReadIniSettingsSectionParamAllUsers(const std::string& aSection,
                                                const std::string& aKey, char aMode);
bool WriteIniSettingsSectionParamAllUsers(const std::string& aSection, const std::string& aKey,
                                          const std::string& aValue, char aMode);
// Erases the section when it exists; false only when the file could not be rewritten.
bool DeleteIniSettingsSectionParamAllUsersDelSection(const std::string& aSection);
bool IfPresentIniSettingsSectionParamAllUsersSection(const std::string& aSection);
// Writes section "TEST", key "TEST" = the current date and time; true when the write succeeded.
bool TestWriteIniSettingsParamAllUsers();

}  // namespace tir
