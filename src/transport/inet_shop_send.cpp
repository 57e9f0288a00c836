#include "transport/inet_shop_send.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "db/date_time.h"
#include "export/tir_json_builder.h"
#include "export/user_lists.h"
#include "frame/host_services.h"
#include "frame/ui_services.h"
#include "json/json_array.h"
#include "settings/json_one_send.h"
#include "settings/random_source.h"
#include "settings/settings_folders.h"
#include "transport/send_json.h"
#include "transport/timer_services.h"

namespace tir::transport {

namespace {

std::string TempFileName(double now) {
  const db::CivilTime t = db::DecodeDateTime(now);
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d-%02d-%02d-%02d-", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return GetSpecialTempFolder() + "tirjsinet-" + stamp + std::to_string(gRandom(999999)) + ".json";
}

}  // namespace

std::int32_t SendJsonToInetShop(TJSONOneSend& aProfile, bool aAuto) {
  std::string response;
  return SendJsonToInetShop(aProfile, aAuto, response);
}

std::int32_t SendJsonToInetShop(TJSONOneSend& aProfile, bool aAuto, std::string& aResponse,
                                std::size_t* aGoodsSent) {
  const std::string fileName = TempFileName(Timers().Now());
  frame::ProcessMessages();
  const std::string ents = exporting::EntIdsOrUsers(aProfile.mEntIds);
  const std::string stores = exporting::StoreIdsOrUsers(aProfile.mStoreIds);
  exporting::CheckIdList("entity list", ents);
  exporting::CheckIdList("store list", stores);
  exporting::CheckIdList("goods group list", aProfile.mGoodsGroupsIds);
  {
    exporting::TTirJSonBuilder builder;
    builder.SetClock([] { return Timers().Now(); });
    builder.GenAllGUIDs();
    builder.Clear();
    builder.AddVerINFO();
    if (aProfile.mIfLastDayGoods == 0) aProfile.mPeriodDay = 0;
    builder.AddAllGoods(0, true, aProfile.mGoodsGroupsIds, aProfile.mPeriodDay, true, ents, stores);
    if (aGoodsSent != nullptr) {
      *aGoodsSent = builder.Json().KindOf("goods") == json::Kind::kArray
                        ? builder.Json().GetArray("goods").Size()
                        : 0;
    }
    builder.SaveToFile(fileName, false);
  }
  // The file only carries the catalog to the service library: it goes once the upload ended.
  struct RemoveFile {
    const std::string& name;
    ~RemoveFile() {
      std::error_code ignored;
      std::filesystem::remove(name, ignored);
    }
  } removeFile{fileName};
  const std::int32_t result = tirSendJson(aProfile.mURL, fileName, aAuto ? 1 : 2, aResponse);
  if (!aAuto) {
    frame::SendToMainMGS(result == 0 ? std::string("Успешно отправлен.") : "Ошибка: " + aResponse,
                         1, 1);
  }
  return result;
}

}  // namespace tir::transport
