#include "settings/ini_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/base64.h"
#include "settings/ini_text.h"
#include "settings/scramble.h"
#include "settings/settings_folders.h"
#include "settings_env.h"

namespace tir {
namespace {

namespace fs = std::filesystem;

std::string FileText(const std::string& path) { return ReadIniFileText(path).value_or("<none>"); }

TEST(IniText, ReadsSectionsAndKeysWithoutCase) {
  const TIniText ini(
      "\xEF\xBB\xBF; comment\r\n[Main]\r\n GUIDCODE = abc \r\nother\r\n[empty]\r\n[MAIN]\r\n"
      "GUIDCODE=second\r\nx=1=2\r\n");
  EXPECT_EQ(ini.Read("MAIN", "guidcode").value_or("-"), "abc");
  EXPECT_EQ(ini.Read(" main ", "GuidCode").value_or("-"), "abc");
  EXPECT_EQ(ini.Read("MAIN", "x").value_or("-"), "-");  // only in the second MAIN
  EXPECT_FALSE(ini.Read("MAIN", "missing"));
  EXPECT_FALSE(ini.Read("none", "GUIDCODE"));
  EXPECT_TRUE(ini.SectionExists("EMPTY"));
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Main", "empty", "MAIN"}));
}

TEST(IniText, WriteReplacesAddsAndKeepsTheRest) {
  TIniText ini("; top\n[A]\nk1=1\n\n[B]\nk=2\n");
  ini.Write("a", "K1", "one");
  ini.Write("A", "k2", "two");
  ini.Write("C", "k", "three\nlines");
  EXPECT_EQ(ini.Text(), "; top\n[A]\nK1=one\nk2=two\n\n[B]\nk=2\n[C]\nk=three lines\n");
  ini.EraseSection("b");
  EXPECT_EQ(ini.Text(), "; top\n[A]\nK1=one\nk2=two\n\n[C]\nk=three lines\n");
  EXPECT_FALSE(ini.SectionExists("B"));
  TIniText crlf("[S]\r\na=1\r\n");
  crlf.Write("S", "b", "2");
  EXPECT_EQ(crlf.Text(), "[S]\r\na=1\r\nb=2\r\n");
  TIniText fromEmpty("");
  fromEmpty.Write("S", "a", "");
  EXPECT_EQ(fromEmpty.Text(), "[S]\na=\n");
  EXPECT_EQ(fromEmpty.Read("S", "a").value_or("-"), "");
}

TEST(IniText, GarbageParsesWithoutHarm) {
  static constexpr char kGarbage[] = "[\0]\n=\n[x\n]]=[\n\xFF\xFE=\x01";
  const TIniText ini(std::string(kGarbage, sizeof kGarbage - 1));
  EXPECT_FALSE(ini.Read("x", "").has_value());
  EXPECT_FALSE(ini.SectionExists("x"));
  EXPECT_EQ(ini.SectionNames().size(), 1u);  // only "[\0]" is a header
}

TEST(IniText, RepeatedByteOrderMarksParseTheSameAfterAWrite) {
  // Found by fuzzing: a second mark hid the section from the first parse but not from the parse
  // of the text written back, so a written value was shadowed by an older one.
  TIniText ini("\xEF\xBB\xBF\xEF\xBB\xBF[MAIN]\r\nGUIDCODE=old\r");
  EXPECT_EQ(ini.Read("MAIN", "GUIDCODE").value_or("-"), "old");
  ini.Write("MAIN", "GUIDCODE", "new");
  EXPECT_EQ(TIniText(ini.Text()).Read("main", "guidcode").value_or("-"), "new");
  EXPECT_EQ(TIniText(ini.Text()).SectionNames(), (std::vector<std::string>{"MAIN"}));
}

TEST(IniSettings, ValueModes) {
  EXPECT_EQ(EncodeIniValue("Ж", 'N'), "Ж");
  EXPECT_EQ(EncodeIniValue("Ж", 'B'), "FgQ=");
  EXPECT_EQ(DecodeIniValue("FgQ=", 'B'), "Ж");
  const std::string scrambled = EncodeIniValue("secret", 'U');
  EXPECT_NE(scrambled, "secret");
  EXPECT_EQ(DecodeIniValue(scrambled, 'U'), "secret");
  EXPECT_EQ(DecodeIniValue("broken", 'U'), "");
  EXPECT_EQ(EncodeIniValue("x", 'Z'), "x");
}

TEST(IniSettings, PerUserFileRoundTripInAllModes) {
  test::SettingsEnv env;
  const std::string path = GetSpecialSettingsPath();
  EXPECT_EQ(path, env.Root() + "/user/TirvaloSoftware/TirvaloMainBack/TirvaloMain.config");
  EXPECT_EQ(ReadIniSettingsSectionAndParam("MAIN", "GUIDCODE", 'N'), "");  // no file yet

  EXPECT_TRUE(WriteIniSettingsSectionAndParam("MAIN", "GUIDCODE", "{BASE-1}", 'N'));
  EXPECT_TRUE(WriteIniSettingsParam("Login", "Користувач", 'B'));
  EXPECT_TRUE(WriteIniSettingsParam("Password", "p@ss", 'U'));
  EXPECT_EQ(ReadIniSettingsSectionAndParam("main", "guidcode", 'N'), "{BASE-1}");
  EXPECT_EQ(ReadIniSettingsParam("Login", 'B'), "Користувач");
  EXPECT_EQ(ReadIniSettingsParam("Password", 'U'), "p@ss");
  EXPECT_EQ(ReadIniSettingsSectionAndParam("BASE1", "Login", 'N'), EncodeBase64(u"Користувач"));
  EXPECT_EQ(ReadIniSettingsParam("Missing", 'N'), "");

  const std::string text = FileText(path);
  EXPECT_NE(text.find("[MAIN]\nGUIDCODE={BASE-1}\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("p@ss"), std::string::npos);
  EXPECT_FALSE(fs::exists(path + ".tmp"));

  // The section of the key operations follows the name the host hands over.
  SetSettingsNames("BASE7", cSettinsFileName, cSettinsFileNameAll, cSettinsFolderName);
  EXPECT_EQ(ReadIniSettingsParam("Login", 'B'), "");
  EXPECT_TRUE(WriteIniSettingsParam("Login", "x", 'N'));
  EXPECT_EQ(ReadIniSettingsSectionAndParam("BASE7", "Login", 'N'), "x");
}

TEST(IniSettings, AllUsersFile) {
  test::SettingsEnv env;
  const std::string path = GetSpecialSettingsPathAllUsers();
  EXPECT_EQ(path, env.Root() + "/all/TirvaloSoftware/TirvaloMainBack/TirvaloMainAll.config");

  EXPECT_TRUE(WriteIniSettingsParamAllUsers("Server", "srv", 'N'));
  EXPECT_EQ(ReadIniSettingsSectionParamAllUsers("GLOBAL", "Server", 'N'), "srv");
  EXPECT_EQ(ReadIniSettingsParamAllUsers("Server", 'N'), "srv");
  EXPECT_TRUE(WriteIniSettingsSectionParamAllUsers("S1", "k", "v", 'U'));
  EXPECT_EQ(ReadIniSettingsSectionParamAllUsers("S1", "k", 'U'), "v");
  EXPECT_TRUE(IfPresentIniSettingsSectionParamAllUsersSection("s1"));
  EXPECT_TRUE(DeleteIniSettingsSectionParamAllUsersDelSection("S1"));
  EXPECT_FALSE(IfPresentIniSettingsSectionParamAllUsersSection("S1"));
  EXPECT_TRUE(DeleteIniSettingsSectionParamAllUsersDelSection("S1"));  // absent: nothing to do
  EXPECT_EQ(ReadIniSettingsParamAllUsers("Server", 'N'), "srv");

  EXPECT_FALSE(IfPresentIniSettingsSectionParamAllUsersSection("TEST"));
  EXPECT_TRUE(TestWriteIniSettingsParamAllUsers());
  const std::string stamp = ReadIniSettingsSectionParamAllUsers("TEST", "TEST", 'N');
  EXPECT_EQ(stamp.size(), 19u) << stamp;  // dd.mm.yyyy hh:nn:ss
  // The per-user file is not touched.
  EXPECT_FALSE(fs::exists(GetSpecialSettingsPath()));
}

TEST(IniSettings, FolderThatCannotBeCreatedFailsQuietly) {
  test::SettingsEnv env;
  const std::string file = env.Root() + "/plain-file";
  std::ofstream(file) << "x";
  test::SettingsEnv::Set("XDG_CONFIG_HOME", file);  // no folder can be made below a file
  EXPECT_FALSE(WriteIniSettingsSectionAndParam("MAIN", "GUIDCODE", "x", 'N'));
  EXPECT_EQ(ReadIniSettingsSectionAndParam("MAIN", "GUIDCODE", 'N'), "");
}

TEST(IniSettings, UnreadableFileReadsEmpty) {
  test::SettingsEnv env;
  const std::string path = GetSpecialSettingsPath();
  fs::create_directories(path);  // a folder where the file should be
  EXPECT_EQ(ReadIniSettingsSectionAndParam("MAIN", "GUIDCODE", 'N'), "");
  EXPECT_FALSE(WriteIniSettingsSectionAndParam("MAIN", "GUIDCODE", "x", 'N'));
}

TEST(SettingsFolders, NamesAndFallbacks) {
  test::SettingsEnv env;
  // A leading backslash of the folder name is a separator; an empty name leaves the files in the
  // vendor folder.
  SetSettingsNames("BASE1", "a.config", "b.config", "");
  EXPECT_EQ(GetSpecialSettingsPath(), env.Root() + "/user/TirvaloSoftware/a.config");
  EXPECT_EQ(GetSpecialSettingsPathAllUsers(), env.Root() + "/all/TirvaloSoftware/b.config");
  SetSettingsNames("BASE1", "a.config", "b.config", "\\Back\\Sub");
  EXPECT_EQ(GetSpecialSettingsFolder(), env.Root() + "/user/TirvaloSoftware/Back/Sub");
  EXPECT_TRUE(fs::is_directory(GetSpecialSettingsFolder()));

  // Trailing separator of the system folder is not doubled.
  test::SettingsEnv::Set("XDG_CONFIG_HOME", env.Root() + "/u2/");
  EXPECT_EQ(GetSpecialSettingsFolder(), env.Root() + "/u2/TirvaloSoftware/Back/Sub");

  test::SettingsEnv::Unset("XDG_CONFIG_HOME");
  test::SettingsEnv::Set("HOME", env.Root() + "/home");
  EXPECT_EQ(GetSpecialSettingsFolder(), env.Root() + "/home/.config/TirvaloSoftware/Back/Sub");

  test::SettingsEnv::Unset("HOME");
  const std::string program = fs::read_symlink("/proc/self/exe").parent_path().string();
  EXPECT_EQ(GetSpecialSettingsFolder(), program);

  test::SettingsEnv::Set("TMPDIR", "/var/tmp");
  EXPECT_EQ(GetSpecialTempFolder(), "/var/tmp/");
  test::SettingsEnv::Unset("TMPDIR");
  EXPECT_EQ(GetSpecialTempFolder(), "/tmp/");
}

}  // namespace
}  // namespace tir
