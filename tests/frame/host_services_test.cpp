// Requests of the module to the host, the message and database logs, the replica guard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "frame/ui_services.h"
#include "module/entry_points.h"

namespace tir::frame {
namespace {

// The fields of a request the tests look at (copied out of the packed record).
struct Seen {
  std::int32_t fModuleId, fSearchMode, fPriceId;
  std::int64_t fDataBigInt1, fDataBigInt2, fDocId, fContractId, fTransactionId;
  long double fDataFloat1;
};

// What the fake host saw and how it answers.
struct FakeHost {
  std::vector<Seen> requests;
  std::vector<std::string> searchStr1;
  std::int32_t result = 0;
  std::int32_t canceled = 0;
  std::string name = "Name";
  long double float1 = 0;
  std::int64_t big1 = 0;
  std::int64_t big2 = 0;
  std::string barcode;
  std::vector<std::string> messages;
  std::vector<std::int32_t> logArgs;
  std::string logData;
  std::int32_t seenDllId = 0;
};
FakeHost* gHost = nullptr;

std::int32_t FakeSearch(TModSearchIn pIn, TModSearchOut* pOut) {
  gHost->requests.push_back({pIn.fModuleId, pIn.fSearchMode, pIn.fPriceId, pIn.fDataBigInt1,
                             pIn.fDataBigInt2, pIn.fDocId, pIn.fContractId, pIn.fTransactionId,
                             pIn.fDataFloat1.Value()});
  gHost->searchStr1.push_back(WideToUtf8(pIn.fStr1));
  pOut->fCanceled = gHost->canceled;
  pOut->fName = WideAllocUtf8(gHost->name);
  pOut->fBarCode = WideAllocUtf8(gHost->barcode);
  pOut->fDataFloat1 = Extended::From(gHost->float1);
  pOut->fDataBigInt1 = gHost->big1;
  pOut->fDataBigInt2 = gHost->big2;
  return gHost->result;
}

std::int32_t FakeLog(WideString pMessage, std::uint8_t pType, TDllInfo pDllInfo,
                     std::uint8_t pIfLog) {
  gHost->messages.push_back(WideToUtf8(pMessage) + "|" + std::to_string(pType) + "|" +
                            std::to_string(pIfLog));
  gHost->seenDllId = pDllInfo.fDllID;
  return 0;
}

std::int32_t FakeSysLog(std::int32_t pUserId, std::int32_t pType, std::int32_t pGoodId,
                        std::int32_t pDocId, WideString pData) {
  gHost->logArgs = {pUserId, pType, pGoodId, pDocId};
  gHost->logData = WideToUtf8(pData);
  return 0;
}

class HostServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAppGlobals();
    DllU0();
    gHost = &host_;
    gAppPackParams.fSearchFunc = FakeSearch;
    gAppPackParams.fLogMessage = FakeLog;
    gAppPackParams.fSysLogDB = FakeSysLog;
    HeadlessUi().ClearDialogs();
  }
  void TearDown() override {
    ResetAppGlobals();
    gHost = nullptr;
  }
  FakeHost host_;
};

TEST_F(HostServicesTest, NameRequestsSendTheirCodesAndSkipEmptyInput) {
  EXPECT_EQ(GetNameByIdByModId(20, 0, 0), "");
  EXPECT_TRUE(host_.requests.empty());
  EXPECT_EQ(GetNamesByIdsByModId(20, ""), "");
  EXPECT_TRUE(host_.requests.empty());

  EXPECT_EQ(GetNameByIdByModId(20, 0, 7), "Name");
  ASSERT_EQ(host_.requests.size(), 1u);
  EXPECT_EQ(host_.requests[0].fModuleId, 20);
  EXPECT_EQ(host_.requests[0].fSearchMode, -150);
  EXPECT_EQ(host_.requests[0].fDataBigInt1, 0);
  EXPECT_EQ(host_.requests[0].fDataBigInt2, 7);
  EXPECT_EQ(host_.requests[0].fPriceId, 1);  // a cleared request

  EXPECT_EQ(GetNamesByIdsByModId(21, "1,2"), "Name");
  EXPECT_EQ(host_.requests[1].fSearchMode, -151);
  EXPECT_EQ(host_.searchStr1[1], "1,2");

  host_.canceled = 1;
  EXPECT_EQ(GetNameByIdByModId(20, 5, 0), "");
  host_.canceled = 0;
  host_.result = 1;
  EXPECT_EQ(GetNamesByIdsByModId(20, "5"), "");
}

TEST_F(HostServicesTest, ScalesAndArrears) {
  host_.big1 = (std::int64_t{5} << 32) | 3;  // only the low 32 bits count
  host_.big2 = 250;
  EXPECT_EQ(GetSimpleScalesCount(), 3);
  EXPECT_EQ(GetSimpleScalesTara(), 250);
  EXPECT_EQ(host_.requests.back().fModuleId, 330);
  EXPECT_EQ(host_.requests.back().fSearchMode, 888014);

  host_.float1 = 1.5L;
  EXPECT_DOUBLE_EQ(static_cast<double>(GetSimpleScalesWeight(2, 9.0L, 200)), 1.3);
  EXPECT_EQ(host_.requests.back().fSearchMode, 888015);
  EXPECT_EQ(host_.requests.back().fDataBigInt1, 2);
  EXPECT_EQ(host_.requests.back().fDataFloat1, 9.0L);
  // A tare above the weight gives 0, never a negative weight.
  EXPECT_EQ(GetSimpleScalesWeight(1, 0, 1600), 0.0L);
  host_.result = 1;
  EXPECT_EQ(GetSimpleScalesWeight(1, 0, 0), 0.0L);
  EXPECT_EQ(GetSimpleScalesCount(), 0);
  host_.result = 0;

  host_.float1 = -12.25L;
  EXPECT_EQ(gdllGetArrearsByContractTransact(70, 3), -12.25L);
  EXPECT_EQ(host_.requests.back().fModuleId, 170);
  EXPECT_EQ(host_.requests.back().fSearchMode, 5000);
  EXPECT_EQ(host_.requests.back().fContractId, 70);
  EXPECT_EQ(host_.requests.back().fTransactionId, 3);

  host_.barcode = "2000000000015";
  EXPECT_EQ(GetBarCodeFromScaner232(), "2000000000015");
  EXPECT_EQ(host_.requests.back().fSearchMode, 888025);

  UpdateDocsListMDI(99);
  EXPECT_EQ(host_.requests.back().fModuleId, 410);
  EXPECT_EQ(host_.requests.back().fSearchMode, 888026);
  EXPECT_EQ(host_.requests.back().fDocId, 99);
}

TEST_F(HostServicesTest, MissingCallbacksAreSkipped) {
  gAppPackParams = TU7MenuParams{};
  EXPECT_EQ(GetNameByIdByModId(20, 1, 1), "");
  EXPECT_EQ(GetSimpleScalesWeight(1, 5, 0), 0.0L);
  EXPECT_EQ(gdllGetArrearsByContractTransact(1, 1), 0.0L);
  SendToMainMGS("lost", 1, 1);
  LogDB(1, 7, 0, 0, "lost");
  UpdateDocsListMDI(1);
  EXPECT_TRUE(host_.requests.empty());
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_TRUE(host_.logArgs.empty());
}

TEST_F(HostServicesTest, MessagesAndDatabaseLogReachTheHost) {
  SendToMainMGS("Успешно отправлен.", 1, 1);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0], "Успешно отправлен.|1|1");
  EXPECT_EQ(host_.seenDllId, 410);
  LogDB(4, 7, 11, 12, "state 1 -> 2");
  EXPECT_EQ(host_.logArgs, (std::vector<std::int32_t>{4, 7, 11, 12}));
  EXPECT_EQ(host_.logData, "state 1 -> 2");
}

TEST_F(HostServicesTest, ReplicaGuardShowsTheMessageOrTheStandardText) {
  for (std::int32_t type : {0, 1, 3, 101}) {
    gAppParams.fBaseReplType = type;
    EXPECT_FALSE(IfBaseInSlaveReplMode("x"));
  }
  EXPECT_TRUE(HeadlessUi().Dialogs().empty());
  gAppParams.fBaseReplType = 2;
  EXPECT_TRUE(IfBaseInSlaveReplMode("Не можна"));
  gAppParams.fBaseReplType = 102;
  EXPECT_TRUE(IfBaseInSlaveReplMode(""));
  const auto& dialogs = HeadlessUi().Dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].text, "Не можна");
  EXPECT_EQ(dialogs[0].type, TMsgDlgType::mtError);
  EXPECT_EQ(dialogs[0].buttons, static_cast<std::uint32_t>(mbOK));
  EXPECT_EQ(dialogs[1].text,
            "Дію заборонено. База даних в режимі реплікації (Slave-база).\r\nТаку дію можна "
            "робити тільки в центральній базі даних (Master-база).");
}

}  // namespace
}  // namespace tir::frame
