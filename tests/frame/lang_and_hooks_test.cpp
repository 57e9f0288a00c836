// Language module, message and lifecycle hooks, application parameters and wide strings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/app_globals.h"
#include "frame/dm_lang.h"
#include "frame/message_hooks.h"
#include "frame/ui_services.h"
#include "frame/user_rights.h"
#include "module/entry_points.h"
#include "settings/number_forms.h"
#include "settings/settings_folders.h"
#include "settings/value_params.h"

namespace tir::frame {
namespace {

std::string Utf8(PWideChar text) { return text == nullptr ? "" : PWideToUtf8(text); }

TEST(DMLang, SwitchesOnlyToAnExistingOtherLanguage) {
  TDMLang lang;
  std::vector<std::int32_t> told;
  const int id = lang.AddLanguageListener([&](std::int32_t l) { told.push_back(l); });
  EXPECT_EQ(lang.ActiveLang(), 1);
  for (std::int32_t bad : {0, -1, 3, 1}) lang.SetAvtiveLang(bad);
  EXPECT_EQ(lang.ActiveLang(), 1);
  EXPECT_TRUE(told.empty());
  lang.SetAvtiveLang(2);
  lang.SetAvtiveLang(2);
  EXPECT_EQ(lang.ActiveLang(), 2);
  EXPECT_EQ(told, (std::vector<std::int32_t>{2}));
  lang.RemoveLanguageListener(id);
  lang.SetAvtiveLang(1);
  EXPECT_EQ(told.size(), 1u);
}

TEST(DMLang, TextsMenusAndCaptionsFollowTheLanguage) {
  TDMLang lang;
  EXPECT_EQ(lang.Text("IDS_0"), "Универсальный обмен данными");
  EXPECT_EQ(lang.Text("IDS_7"), "Обмен данными");
  EXPECT_EQ(lang.Text("IDS_99"), "");
  EXPECT_EQ(lang.DialogCaption("No To All"), "Нет для всех");
  EXPECT_EQ(Utf8(lang.GetMenuOperations().fMenuName), "Документы");

  lang.SetAvtiveLang(2);
  EXPECT_EQ(lang.Text("IDS_0"), "Універсальний обім даними");
  EXPECT_EQ(lang.Text("IDS_5"), "З інтернет магазином");
  EXPECT_EQ(lang.DialogCaption("Cancel"), "Скасувати");
  EXPECT_EQ(lang.DialogCaption("OK"), "OK");
  EXPECT_EQ(lang.DialogCaption("Unknown"), "Unknown");
  EXPECT_EQ(Utf8(lang.GetMenuOperations().fMenuName), "Документи");
  EXPECT_EQ(Utf8(lang.GetMenuReports().fMenuName), "Звіти");
}

// Records the order in which start and stop steps run.
std::vector<std::string> gSteps;

std::int32_t OnOneDoc(const TModSearchIn& pIn, TModSearchOut& pOut) {
  gSteps.push_back("888034 " + WideToUtf8(pIn.fSearchStr));
  pOut.fId = 1;
  return 1;
}

class ModuleStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAppGlobals();
    gSteps.clear();
  }
  void TearDown() override {
    StopModule();
    UnregisterMessageHandler(888034);
    RegisterLifecycleHooks(LifecycleSlot::kJsonLibrary, nullptr, nullptr);
    RegisterLifecycleHooks(LifecycleSlot::kDataModule, nullptr, nullptr);
    ResetAppGlobals();
  }
  static std::int32_t Send(std::int32_t mode, std::int64_t data1, TModSearchOut& out,
                           const std::string& searchStr = "") {
    TModSearchIn in{};
    Clear_TModSearchIn(in);
    in.fModuleId = kDllId;
    in.fSearchMode = mode;
    in.fDataBigInt1 = data1;
    in.fSearchStr = WideAllocUtf8(searchStr);
    const std::int32_t result = DllU9(in, out);
    Free_TModSearchIn(in);
    return result;
  }
};

TEST_F(ModuleStateTest, OneDocumentMessageGoesToTheRegisteredHandlerOnly) {
  TModSearchOut out{};
  EXPECT_EQ(Send(888034, 0, out, "/tmp/doc.json"), 1);
  EXPECT_EQ(out.fId, 0);
  EXPECT_TRUE(gSteps.empty());
  RegisterMessageHandler(888034, OnOneDoc);
  EXPECT_EQ(Send(888034, 0, out, "/tmp/doc.json"), 1);
  EXPECT_EQ(out.fId, 1);
  EXPECT_EQ(gSteps, (std::vector<std::string>{"888034 /tmp/doc.json"}));
  Free_TModSearchOut(out);
}

TEST_F(ModuleStateTest, StartAndStopRunInOrder) {
  RegisterLifecycleHooks(
      LifecycleSlot::kJsonLibrary,
      [](std::int32_t) { gSteps.push_back(DMLang ? "json start late" : "json start"); },
      [] { gSteps.push_back(DMLang ? "json stop early" : "json stop"); });
  RegisterLifecycleHooks(
      LifecycleSlot::kDataModule,
      [](std::int32_t l) {
        gSteps.push_back(DMLang && DMLang->ActiveLang() == l ? "data start" : "data start early");
      },
      [] { gSteps.push_back(DMLang ? "data stop" : "data stop late"); });
  TModSearchOut out{};
  EXPECT_EQ(Send(-160, (std::int64_t{9} << 32) | 2, out), 1);
  ASSERT_NE(DMLang, nullptr);
  EXPECT_EQ(DMLang->ActiveLang(), 2);
  EXPECT_EQ(Send(-170, 0, out), 1);
  EXPECT_EQ(DMLang, nullptr);
  EXPECT_EQ(gSteps,
            (std::vector<std::string>{"json start", "data start", "data stop", "json stop"}));
  // A stop without a start frees nothing twice.
  EXPECT_EQ(Send(-170, 0, out), 1);
  EXPECT_EQ(Send(-200, 2, out), 1);  // no language module: nothing to switch
}

void CopySection(const TU6MenuParams& params) {
  gSteps.push_back(WideToUtf8(params.fSettingsParamSection) + "," +
                   WideToUtf8(params.fSettinsFolderName));
}

TEST_F(ModuleStateTest, ApplicationParametersAreCopiedAndHandedOn) {
  RegisterAppParamsHook(CopySection);
  std::int32_t in = 0;
  std::int32_t out = 0;
  DllU0();
  DllU1(in, out);
  in = out;
  ASSERT_EQ(DllU1(in, out), 0);

  TU6MenuParams params{};
  params.fUserID = 5;
  params.fVerMainPro = 321;
  params.fBaseReplType = 102;
  params.fSettingsParamSection = WideAllocUtf8("BASE2");
  params.fSettinsFolderName = WideAllocUtf8("\\Back");
  params.fUserStoreId = WideAllocUtf8("1,2");
  params.fPriceDigit = 4;
  params.fCountDigit = 1;
  params.fDecSeparator = u',';
  EXPECT_EQ(DllU60(params), 0);
  // Rounding and text forms now follow the host's decimals and separator.
  EXPECT_EQ(gValueParams.fPriceDigit, 4);
  EXPECT_EQ(gValueParams.fCountDigit, 1);
  EXPECT_EQ(gValueParams.fDecSeparator, u',');
  EXPECT_DOUBLE_EQ(static_cast<double>(FloatToCount(2.26L)), 2.3);
  gValueParams = TValueParams{};
  // The host frees its record; the module keeps its own copies.
  WideFree(params.fSettingsParamSection);
  WideFree(params.fSettinsFolderName);
  WideFree(params.fUserStoreId);
  EXPECT_EQ(gAppParams.fUserID, 5);
  EXPECT_EQ(cgiVersion, 321);
  EXPECT_EQ(AppParamText(&TU6MenuParams::fUserStoreId), "1,2");
  EXPECT_EQ(AppParamText(&TU6MenuParams::fSettingsParamSection), "BASE2");
  ASSERT_FALSE(gSteps.empty());
  EXPECT_EQ(gSteps.back(), "BASE2,\\Back");
  // The settings names follow the host's; a name the host leaves empty becomes empty.
  EXPECT_EQ(GSettingsParamSection, "BASE2");
  EXPECT_EQ(cSettinsFolderName, "\\Back");
  EXPECT_EQ(cSettinsFileName, "");
  ResetSettingsNames();
}

TEST(WideStrings, LayoutRoundTripAndEmptyText) {
  WideString s = WideAllocUtf8("Кава");
  ASSERT_NE(s, nullptr);
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const unsigned char*>(s) - 4, 4);
  EXPECT_EQ(prefix, 8u);  // bytes, not characters
  EXPECT_EQ(s[4], u'\0');
  EXPECT_EQ(WideLength(s), 4u);
  EXPECT_EQ(WideToUtf8(s), "Кава");
  s = WideReplaceUtf8(s, "");
  EXPECT_EQ(s, nullptr);  // null is the empty string
  EXPECT_EQ(WideToUtf8(s), "");
  const char16_t withZero[] = {u'a', u'\0', u'b'};
  WideString z = WideAlloc(withZero, 3);
  WideString copy = WideCopy(z);
  EXPECT_EQ(WideToU16(copy), std::u16string(withZero, 3));
  WideFree(z);
  WideFree(copy);
  WideFree(nullptr);
}

}  // namespace
}  // namespace tir::frame
