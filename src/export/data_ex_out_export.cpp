#include "export/data_ex_out_export.h"

#include "export/tir_json_builder.h"
#include "export/user_lists.h"
#include "frame/app_globals.h"
#include "frame/ui_services.h"
#include "settings/data_ex_out.h"
#include "settings/profile_hooks.h"

namespace tir::exporting {

void RegisterExportOneDocMessage();  // export_one_doc_message.cpp

bool DataExOutSaveFile(db::Connection& aConnection, const TDataExOut& aProfile, double aFrom,
                       double aTo, const SectionProgress& aProgress) {
  const std::string ents = EntIdsOrUsers(aProfile.mEntIds);
  const std::string stores = StoreIdsOrUsers(aProfile.mStoreIds);
  CheckIdList("entity list", ents);
  CheckIdList("store list", stores);

  TTirJSonBuilder builder(aConnection);
  const auto step = [&](const char* section) {
    frame::ProcessMessages();
    if (aProgress) aProgress(section);
  };
  step("guids");
  builder.GenAllGUIDs();
  builder.Clear();
  step("goods");
  builder.AddAllGoods(0, true, "", 0, false, "", "");
  step("entities");
  builder.AddAllEntities(ents);
  step("moneyaccounts");
  builder.AddAllCashAccounts(ents);
  step("currencies");
  builder.AddAllCurrencies();
  step("contracts");
  builder.AddAllContracts(ents);
  step("itemscost");
  builder.AddAllItemCost();
  step("vats");
  builder.AddAllVAT();
  step("tables");
  builder.AddAllTables();
  step("stores");
  builder.AddAllStores(stores);
  step("users");
  builder.AddAllUsers();
  step("partners");
  builder.AddAllPartners();
  step("docs");
  builder.AddDoc(0, aFrom, aTo, ents, stores);
  builder.AddVerINFO();
  step("save");
  return builder.SaveToFile(aProfile.mFilePath, true);
}

void InstallExportHooks() {
  SetDataExOutSaveFileFunc([](const TDataExOut& aProfile, double aFrom, double aTo) {
    return DataExOutSaveFile(frame::HostConnection(), aProfile, aFrom, aTo);
  });
  SetGUIDBaseFunc([] {
    TTirJSonBuilder builder(frame::HostConnection());
    return builder.GetGlobalDB_GUID();
  });
  RegisterExportOneDocMessage();
}

namespace {
// The plug-in links this library whole, so the hooks are in place from load on.
const bool installed = (InstallExportHooks(), true);
}  // namespace

}  // namespace tir::exporting
