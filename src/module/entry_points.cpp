#include "module/entry_points.h"

#include <chrono>
#include <random>

#include "frame/app_globals.h"
#include "frame/dm_lang.h"
#include "frame/global_menu.h"
#include "frame/message_hooks.h"
#include "frame/ui_services.h"
#include "frame/user_rights.h"
#include "settings/random_source.h"
#include "settings/settings_folders.h"
#include "settings/value_params.h"

namespace tir::frame {

namespace {

std::mt19937& Random() {
  static std::mt19937 generator;
  return generator;
}

std::int32_t Low32(std::int64_t value) { return static_cast<std::int32_t>(value); }

struct MenuItem {
  std::int32_t id;
  std::int32_t right;
  std::int32_t order;
  const char* text;
};

constexpr MenuItem kMenuItems[] = {
    {kCommandUniversal, kRightUniversal, 1000, "IDS_0"},
    {kCommandInetShop, kRightInetShop, 2000, "IDS_1"},
    {kCommandLoadFile, kRightLoadFile, 3000, "IDS_2"},
};

}  // namespace

std::int32_t DllU0() {
  dllInfo = TDllInfo{};
  dllInfo.fDllID = kDllId;
  dllInfo.fDllName = u"TirDataExchange";
  dllInfo.fDllVer = u"1.0.0 (28.11.2018)";
  dllInfo.fDllType = 1;
  dllInfo.fDllAutostart = 0;
  hsCount = 0;
  hsOK = false;
  hsOldOutParam = 0;
  Random().seed(static_cast<std::mt19937::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^
      std::chrono::system_clock::now().time_since_epoch().count()));
  gRandomize();
  // The value forms report a failed comparison through the module's own dialog.
  SetErrorDialogFunc(
      [](const std::string& message) { MessageDlg(message, TMsgDlgType::mtError, mbOK); });
  return 0;
}

std::int32_t DllU1(std::int32_t& pIn, std::int32_t& pOut) {
  ++hsCount;
  if (hsCount > 10) {
    pIn = 0;
    pOut = 0;
    hsOK = false;
    return 1;
  }
  if (pIn == hsOldOutParam && hsOldOutParam != 0) {
    hsOK = true;
    return 0;
  }
  std::uniform_int_distribution<std::int32_t> draw(0, 2147483640 - 1);
  std::int32_t challenge = 0;
  while (challenge == 0) challenge = draw(Random());
  pOut = challenge;
  hsOldOutParam = challenge;
  return 1;
}

std::int32_t DllU2(TDllInfo& pOut) {
  if (!hsOK) return 1;
  pOut = dllInfo;
  return 0;
}

std::int32_t DllU60(const TU6MenuParams& pGlobalAppParams) {
  if (!hsOK) return 1;
  StoreAppParams(pGlobalAppParams);
  SetSettingsNames(
      WideToUtf8(gAppParams.fSettingsParamSection), WideToUtf8(gAppParams.fSettinsFileName),
      WideToUtf8(gAppParams.fSettinsFileNameAll), WideToUtf8(gAppParams.fSettinsFolderName));
  cgiVersion = gAppParams.fVerMainPro;
  // Prices, quantities and their text forms follow the host's decimals and separator.
  gValueParams.fPriceDigit = gAppParams.fPriceDigit;
  gValueParams.fCountDigit = gAppParams.fCountDigit;
  if (gAppParams.fDecSeparator != 0) gValueParams.fDecSeparator = gAppParams.fDecSeparator;
  RunAppParamsHooks(gAppParams);
  return 0;
}

std::int32_t DllU7(const TU7MenuParams& pGlobalAppParams) {
  if (!hsOK) return 1;
  gAppPackParams = pGlobalAppParams;
  InitAllFunction();
  return 0;
}

std::int32_t DllU3(std::int32_t& ioNumMenu, TU3MenuParams& pMenuInfo) {
  if (!hsOK) return 1;
  const bool anyRight =
      TestRight(kRightUniversal) || TestRight(kRightInetShop) || TestRight(kRightLoadFile);
  switch (ioNumMenu) {
    case 0:
      ioNumMenu = kMenuItemCount;
      return 0;
    case 1:
      pMenuInfo = DMLang != nullptr ? DMLang->GetMenuService() : gMenuService;
      return 0;
    case 2:
      if (!anyRight) return 2;
      pMenuInfo.fIdItemMenu = kMenuGroupId;
      pMenuInfo.fTypeMenu = 0;
      pMenuInfo.fMenuName = CurrentLangTextW("IDS_7");
      pMenuInfo.fMenuOrder = 2500;
      pMenuInfo.fIdParentMenu1 = 23;
      pMenuInfo.fMenuImageIndex = 27;
      return 0;
    case 3:
    case 4:
    case 5: {
      const MenuItem& item = kMenuItems[ioNumMenu - 3];
      if (!TestRight(item.right)) return 2;
      pMenuInfo.fIdItemMenu = item.id;
      pMenuInfo.fTypeMenu = 0;
      pMenuInfo.fMenuName = CurrentLangTextW(item.text);
      pMenuInfo.fMenuOrder = item.order;
      pMenuInfo.fIdParentMenu1 = kMenuGroupId;
      return 0;
    }
    default:
      return 2;
  }
}

std::int32_t DllU8(const TU8Params& inParam) {
  for (const auto& item : kMenuItems) {
    if (item.id != inParam.fCode) continue;
    if (TestRight(item.right)) Ui().OpenCommandWindow(item.id);
    return 0;
  }
  return 1;
}

void StartModule(std::int32_t language) {
  RunStartHook(LifecycleSlot::kJsonLibrary, language);
  if (DMLang == nullptr) DMLang = new TDMLang();
  DMLang->SetAvtiveLang(language);
  RunStartHook(LifecycleSlot::kUserInterface, language);
  RunStartHook(LifecycleSlot::kDataModule, language);
}

void StopModule() {
  RunStopHook(LifecycleSlot::kDataModule);
  RunStopHook(LifecycleSlot::kUserInterface);
  if (DMLang != nullptr) {
    delete DMLang;
    DMLang = nullptr;
  }
  RunStopHook(LifecycleSlot::kJsonLibrary);
}

std::int32_t DllU9(const TModSearchIn& pIn, TModSearchOut& pOut) {
  Clear_TModSearchOut(pOut);
  if (pIn.fModuleId != kDllId) return 1;
  switch (pIn.fSearchMode) {
    case -100:
      pOut.fId = -100;
      return 1;
    case -120:
      return localGetUsersRights(pIn, pOut);
    case -130:
      return 1;
    case -140:
      InitAllFunction();
      return 1;
    case -160:
      StartModule(Low32(pIn.fDataBigInt1));
      return 1;
    case -170:
      StopModule();
      return 1;
    case -200:
      if (DMLang != nullptr) DMLang->SetAvtiveLang(Low32(pIn.fDataBigInt1));
      return 1;
    case 888035:
      pOut.fDataBigInt1 = 0;
      return 1;
    default:
      break;
  }
  // Messages of other subsystems (888034: one document to a universal JSON file).
  if (MessageHandler handler = FindMessageHandler(pIn.fSearchMode)) return handler(pIn, pOut);
  return 1;
}

}  // namespace tir::frame
