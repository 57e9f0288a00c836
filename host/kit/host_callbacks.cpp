// The substitute host's callbacks: requests of the module to other host modules, the message log
// and the database log.
#include <cstring>
#include <exception>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "db/connection.h"
#include "db/query.h"
#include "db/sql_text.h"
#include "db/unicode_case.h"
#include "host/kit/tir_host_loader.h"
#include "settings/tir_codes.h"

namespace {

struct CallbackState {
  tir::db::Connection* connection = nullptr;
  std::int32_t scalesCount = 0;
  std::int32_t tareGrams = 0;
  double weight = 0.0;
  std::string barcode;
  bool pickerHasChoice = false;
  std::string pickerChoice;
  TirHostLogSink sink = nullptr;
  void* sinkContext = nullptr;
  std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> requests;
};

CallbackState& State() {
  static CallbackState state;
  return state;
}

thread_local tir::db::Connection* tThreadConnection = nullptr;

// The calling thread's own base when it set one, else the process's.
tir::db::Connection* CallbackConnection() {
  return tThreadConnection != nullptr ? tThreadConnection : State().connection;
}

std::string Utf8Of(const TirChar16* wide) {
  if (wide == nullptr) return {};
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(wide) - 4, 4);
  return tir::db::Utf16ToUtf8(std::u16string(wide, bytes / 2));
}

TirChar16* Wide(const std::string& utf8) { return TirHostWideFromUtf8(utf8.c_str()); }

// Names of goods groups in the order of the id list, joined with ", ". Unknown ids are skipped.
// Throws std::invalid_argument for a text that is not an id list.
std::string GroupNames(const std::string& idList) {
  if (!tir::db::IsValidIdList(idList)) throw std::invalid_argument("not an id list: " + idList);
  tir::db::Connection* connection = CallbackConnection();
  if (idList.empty() || connection == nullptr) return {};
  tir::db::Query query(*connection);
  query.SetSql("SELECT fId, fName FROM tirGoodsGroups WHERE fId IN (" + idList + ");");
  query.Open();
  std::map<std::int64_t, std::string> names;
  for (; !query.Eof(); query.Next()) {
    names[query.FieldByName("fId").AsInt64()] = query.FieldByName("fName").AsText();
  }
  std::string joined;
  std::stringstream ids(idList);
  std::string item;
  while (std::getline(ids, item, ',')) {
    const auto it = names.find(std::stoll(item));
    if (it == names.end()) continue;
    if (!joined.empty()) joined += ", ";
    joined += it->second;
  }
  return joined;
}

// The balance of a contract's settlements (all transactions when transaction is 0).
double ContractArrears(std::int64_t contractId, std::int64_t transactionId) {
  tir::db::Connection* connection = CallbackConnection();
  if (connection == nullptr) return 0.0;
  tir::db::Query query(*connection);
  query.SetSql(
      "SELECT 1.0*ifnull(SUM(fSign*fSum),0) AS ftSum FROM tirAMSettlement WHERE "
      "(fContractId=:pContractId) AND ((:pTransactId=0) OR (:pTransactId=fTransactId));");
  query.ParamByName("pContractId").SetInt64(contractId);
  query.ParamByName("pTransactId").SetInt64(transactionId);
  query.Open();
  return query.Eof() ? 0.0 : query.FieldByName("ftSum").AsDouble();
}

std::int32_t Answer(const TirModSearchIn& in, TirModSearchOut& out) {
  CallbackState& state = State();
  switch (in.fModuleId) {
    case 20:
      if (in.fSearchMode == 888020) {
        const std::string chosen =
            state.pickerHasChoice ? state.pickerChoice : Utf8Of(in.fSearchStr);
        out.fNameShowMod = Wide(GroupNames(chosen));
        out.fStrDataList = Wide(chosen);
        return 0;
      }
      if (in.fSearchMode == 888023) {
        out.fNameShowMod = Wide(GroupNames(Utf8Of(in.fSearchStr)));
        return 0;
      }
      if (in.fSearchMode == 888046) return 0;
      break;
    case 170:
      if (in.fSearchMode == 5000) {
        out.fDataFloat1 =
            TirHostExtendedFromDouble(ContractArrears(in.fContractId, in.fTransactionId));
        return 0;
      }
      if (in.fSearchMode == 1024) return 0;
      break;
    case 330:
      if (in.fSearchMode == 888014) {
        out.fDataBigInt1 = state.scalesCount;
        out.fDataBigInt2 = state.tareGrams;
        return 0;
      }
      if (in.fSearchMode == 888015) {
        if (in.fDataBigInt1 < 1 || in.fDataBigInt1 > state.scalesCount) break;
        out.fDataFloat1 = TirHostExtendedFromDouble(state.weight);
        return 0;
      }
      if (in.fSearchMode == 888025) {
        if (state.barcode.empty()) break;
        out.fBarCode = Wide(state.barcode);
        return 0;
      }
      break;
    case tir::kDllId:
      if (in.fSearchMode == 888026) return 0;  // the host has no open document lists
      break;
    default:
      break;
  }
  out.fCanceled = 1;
  return 1;
}

}  // namespace

extern "C" std::int32_t TirHostSearchFunc(TirModSearchIn pIn, TirModSearchOut* pOut) {
  if (pOut == nullptr) return 1;
  State().requests[{pIn.fModuleId, pIn.fSearchMode}]++;
  TirHostClearSearchOut(pOut);
  try {
    return Answer(pIn, *pOut);
  } catch (const std::exception& e) {
    std::cerr << "host: request " << pIn.fModuleId << "/" << pIn.fSearchMode
              << " failed: " << e.what() << "\n";
  }
  TirHostClearSearchOut(pOut);
  pOut->fCanceled = 1;
  return 1;
}

extern "C" std::int32_t TirHostLogMessage(TirChar16* pMessage, std::uint8_t pType,
                                          TirDllInfo pDllInfo, std::uint8_t pIfLog) {
  const std::string text = Utf8Of(pMessage);
  CallbackState& state = State();
  if (state.sink != nullptr) {
    state.sink(text.c_str(), pType, pIfLog, state.sinkContext);
    return 0;
  }
  const std::string name = pDllInfo.fDllName == nullptr
                               ? std::string("module")
                               : tir::db::Utf16ToUtf8(std::u16string(pDllInfo.fDllName));
  std::cerr << "[" << name << "] " << static_cast<int>(pType) << ": " << text << "\n";
  return 0;
}

extern "C" std::int32_t TirHostSysLogDB(std::int32_t pUserId, std::int32_t pType,
                                        std::int32_t pGoodId, std::int32_t pDocId,
                                        TirChar16* pData) {
  tir::db::Connection* connection = CallbackConnection();
  if (connection == nullptr) return 1;
  try {
    tir::db::Query query(*connection);
    query.SetSql(
        "INSERT INTO tirSysLog (fDateTime, fUserId, fType, fGoodId, fDocId, fData) "
        "VALUES (GETDATE(), :pUserId, :pType, :pGoodId, :pDocId, :pData);");
    query.ParamByName("pUserId").SetInt32(pUserId);
    query.ParamByName("pType").SetInt32(pType);
    query.ParamByName("pGoodId").SetInt32(pGoodId);
    query.ParamByName("pDocId").SetInt32(pDocId);
    query.ParamByName("pData").SetText(Utf8Of(pData));
    query.ExecSql();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "host: cannot write the database log: " << e.what() << "\n";
  }
  return 1;
}

extern "C" void TirHostSetCallbackConnection(void* connection) {
  State().connection = static_cast<tir::db::Connection*>(connection);
}

extern "C" void TirHostSetThreadCallbackConnection(void* connection) {
  tThreadConnection = static_cast<tir::db::Connection*>(connection);
}

namespace tir::hostkit {
// A connection that closes leaves no callback pointing at it.
void ForgetCallbackConnection(const void* connection) {
  if (State().connection == connection) State().connection = nullptr;
}
}  // namespace tir::hostkit

extern "C" void TirHostDefaultServices(void* connection, TirU7MenuParams* services) {
  TirHostSetCallbackConnection(connection);
  if (services == nullptr) return;
  services->fBarMDI = nullptr;
  services->fFDConnect = connection;
  services->fSearchFunc = TirHostSearchFunc;
  services->fLogMessage = TirHostLogMessage;
  services->fSysLogDB = TirHostSysLogDB;
}

extern "C" void TirHostConfigureScales(std::int32_t count, std::int32_t tareGrams, double weight,
                                       const char* barcode) {
  CallbackState& state = State();
  state.scalesCount = count;
  state.tareGrams = tareGrams;
  state.weight = weight;
  state.barcode = barcode == nullptr ? "" : barcode;
}

extern "C" void TirHostConfigureGroupPicker(const char* chosenGroups) {
  State().pickerHasChoice = chosenGroups != nullptr;
  State().pickerChoice = chosenGroups == nullptr ? "" : chosenGroups;
}

extern "C" void TirHostSetLogSink(TirHostLogSink sink, void* context) {
  State().sink = sink;
  State().sinkContext = context;
}

extern "C" std::int32_t TirHostRequestCount(std::int32_t moduleId, std::int32_t searchMode) {
  if (moduleId == -1 && searchMode == -1) {
    State().requests.clear();
    return 0;
  }
  const auto it = State().requests.find({moduleId, searchMode});
  return it == State().requests.end() ? 0 : it->second;
}
