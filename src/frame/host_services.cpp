#include "frame/host_services.h"

#include "frame/app_globals.h"
#include "frame/ui_services.h"

namespace tir::frame {

namespace {

// A request record that frees its strings when it goes out of scope.
struct Request {
  TModSearchIn in{};
  TModSearchOut out{};
  Request() { Clear_TModSearchIn(in); }
  ~Request() {
    Free_TModSearchIn(in);
    Free_TModSearchOut(out);
  }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;
  // Sends the request; true when the host answered it with 0.
  bool Send() { return SendToHost(in, out) == 0; }
};

}  // namespace

std::int32_t SendToHost(const TModSearchIn& pIn, TModSearchOut& pOut) {
  if (gAppPackParams.fSearchFunc == nullptr) return -1;
  return gAppPackParams.fSearchFunc(pIn, &pOut);
}

void SendToMainMGS(const std::string& aMessage, std::uint8_t aType, std::uint8_t aIfLog) {
  if (gAppPackParams.fLogMessage == nullptr) return;
  WideString message = WideAllocUtf8(aMessage);
  gAppPackParams.fLogMessage(message, aType, dllInfo, aIfLog);
  WideFree(message);
}

void LogDB(std::int32_t aUserId, std::int32_t aType, std::int32_t aGoodId, std::int32_t aDocId,
           const std::string& aData) {
  if (gAppPackParams.fSysLogDB == nullptr) return;
  WideString data = WideAllocUtf8(aData);
  gAppPackParams.fSysLogDB(aUserId, aType, aGoodId, aDocId, data);
  WideFree(data);
}

bool IfBaseInSlaveReplMode(const std::string& aMessage) {
  if (gAppParams.fBaseReplType != 2 && gAppParams.fBaseReplType != 102) return false;
  const std::string text =
      !aMessage.empty()
          ? aMessage
          : std::string("Дію заборонено. База даних в режимі реплікації (Slave-база).") + "\r\n" +
                "Таку дію можна робити тільки в центральній базі даних (Master-база).";
  MessageDlg(text, TMsgDlgType::mtError, mbOK);
  return true;
}

std::string GetNameByIdByModId(std::int32_t aModId, std::int64_t aId1, std::int64_t aId2) {
  if (aId1 == 0 && aId2 == 0) return {};
  Request r;
  r.in.fModuleId = aModId;
  r.in.fSearchMode = -150;
  r.in.fDataBigInt1 = aId1;
  r.in.fDataBigInt2 = aId2;
  if (!r.Send() || r.out.fCanceled != 0) return {};
  return WideToUtf8(r.out.fName);
}

std::string GetNamesByIdsByModId(std::int32_t aModId, const std::string& aIds) {
  if (aIds.empty()) return {};
  Request r;
  r.in.fModuleId = aModId;
  r.in.fSearchMode = -151;
  r.in.fStr1 = WideAllocUtf8(aIds);
  if (!r.Send() || r.out.fCanceled != 0) return {};
  return WideToUtf8(r.out.fName);
}

long double gdllGetArrearsByContractTransact(std::int64_t aContractId,
                                             std::int64_t aTransactionId) {
  Request r;
  r.in.fModuleId = 170;
  r.in.fSearchMode = 5000;
  r.in.fContractId = aContractId;
  r.in.fTransactionId = aTransactionId;
  if (!r.Send()) return 0.0L;
  return r.out.fDataFloat1.Value();
}

std::int32_t GetSimpleScalesCount() {
  Request r;
  r.in.fModuleId = 330;
  r.in.fSearchMode = 888014;
  if (!r.Send()) return 0;
  return static_cast<std::int32_t>(r.out.fDataBigInt1);
}

std::int32_t GetSimpleScalesTara() {
  Request r;
  r.in.fModuleId = 330;
  r.in.fSearchMode = 888014;
  if (!r.Send()) return 0;
  return static_cast<std::int32_t>(r.out.fDataBigInt2);
}

long double GetSimpleScalesWeight(std::int32_t aScaleNo, long double aValue, std::int32_t aTara) {
  Request r;
  r.in.fModuleId = 330;
  r.in.fSearchMode = 888015;
  r.in.fDataBigInt1 = aScaleNo;
  r.in.fDataFloat1 = Extended::From(aValue);
  if (!r.Send()) return 0.0L;
  const long double weight = r.out.fDataFloat1.Value() - static_cast<long double>(aTara) / 1000.0L;
  return weight < 0.0L ? 0.0L : weight;
}

std::string GetBarCodeFromScaner232() {
  Request r;
  r.in.fModuleId = 330;
  r.in.fSearchMode = 888025;
  if (!r.Send()) return {};
  return WideToUtf8(r.out.fBarCode);
}

void UpdateDocsListMDI(std::int64_t aDocId) {
  Request r;
  r.in.fModuleId = kDllId;
  r.in.fSearchMode = 888026;
  r.in.fDocId = aDocId;
  r.Send();
}

}  // namespace tir::frame
