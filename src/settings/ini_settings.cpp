#include "settings/ini_settings.h"

#include <cstdio>

#include "db/date_time.h"
#include "db/unicode_case.h"
#include "settings/base64.h"
#include "settings/ini_text.h"
#include "settings/scramble.h"
#include "settings/settings_folders.h"

namespace tir {

namespace {

constexpr char kAllUsersSection[] = "GLOBAL";

TIniText LoadIni(const std::string& path) {
  const auto text = ReadIniFileText(path);
  return text ? TIniText(*text) : TIniText();
}

// "dd.mm.yyyy hh:nn:ss" of now.
std::string NowText() {
  const db::CivilTime t = db::DecodeDateTime(db::NowDateTime());
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return buf;
}

}  // namespace

std::string EncodeIniValue(const std::string& aValue, char aMode) {
  switch (aMode) {
    case 'B':
      return EncodeBase64(db::Utf8ToUtf16(aValue));
    case 'U':
      return gEncodeStr(aValue);
    default:
      return aValue;
  }
}

std::string DecodeIniValue(const std::string& aStored, char aMode) {
  switch (aMode) {
    case 'B':
      return db::Utf16ToUtf8(DecodeBase64(aStored));
    case 'U':
      return gDecodeStr(aStored);
    default:
      return aStored;
  }
}

std::string ReadIniFileValue(const std::string& aPath, const std::string& aSection,
                             const std::string& aKey, char aMode) {
  const auto stored = LoadIni(aPath).Read(aSection, aKey);
  return stored ? DecodeIniValue(*stored, aMode) : std::string();
}

bool WriteIniFileValue(const std::string& aPath, const std::string& aSection,
                       const std::string& aKey, const std::string& aValue, char aMode) {
  TIniText ini = LoadIni(aPath);
  ini.Write(aSection, aKey, EncodeIniValue(aValue, aMode));
  return WriteIniFileText(aPath, ini.Text());
}

std::string ReadIniSettingsSectionAndParam(const std::string& aSection, const std::string& aKey,
                                           char aMode) {
  return ReadIniFileValue(GetSpecialSettingsPath(), aSection, aKey, aMode);
}

std::string ReadIniSettingsParam(const std::string& aKey, char aMode) {
  return ReadIniSettingsSectionAndParam(GSettingsParamSection, aKey, aMode);
}

bool WriteIniSettingsSectionAndParam(const std::string& aSection, const std::string& aKey,
                                     const std::string& aValue, char aMode) {
  return WriteIniFileValue(GetSpecialSettingsPath(), aSection, aKey, aValue, aMode);
}

bool WriteIniSettingsParam(const std::string& aKey, const std::string& aValue, char aMode) {
  return WriteIniSettingsSectionAndParam(GSettingsParamSection, aKey, aValue, aMode);
}

std::string ReadIniSettingsParamAllUsers(const std::string& aKey, char aMode) {
  return ReadIniSettingsSectionParamAllUsers(kAllUsersSection, aKey, aMode);
}

bool WriteIniSettingsParamAllUsers(const std::string& aKey, const std::string& aValue, char aMode) {
  return WriteIniSettingsSectionParamAllUsers(kAllUsersSection, aKey, aValue, aMode);
}

std::string ReadIniSettingsSectionParamAllUsers(const std::string& aSection,
                                                const std::string& aKey, char aMode) {
  return ReadIniFileValue(GetSpecialSettingsPathAllUsers(), aSection, aKey, aMode);
}

bool WriteIniSettingsSectionParamAllUsers(const std::string& aSection, const std::string& aKey,
                                          const std::string& aValue, char aMode) {
  return WriteIniFileValue(GetSpecialSettingsPathAllUsers(), aSection, aKey, aValue, aMode);
}

bool DeleteIniSettingsSectionParamAllUsersDelSection(const std::string& aSection) {
  const std::string path = GetSpecialSettingsPathAllUsers();
  TIniText ini = LoadIni(path);
  if (!ini.SectionExists(aSection)) return true;
  ini.EraseSection(aSection);
  return WriteIniFileText(path, ini.Text());
}

bool IfPresentIniSettingsSectionParamAllUsersSection(const std::string& aSection) {
  return LoadIni(GetSpecialSettingsPathAllUsers()).SectionExists(aSection);
}

bool TestWriteIniSettingsParamAllUsers() {
  return WriteIniSettingsSectionParamAllUsers("TEST", "TEST", NowText(), 'N');
}

}  // namespace tir
