// Reading the mass re-posting control row that keeps other workstations from posting.
#include <string>

#include "db/query.h"
#include "posting/main_provodka.h"

namespace tir::posting {

namespace {
constexpr int kControlModuleId = 170;   // fMId of the control row in tirSettings
constexpr int kControlParamType = -48;  // fPType of the control row
constexpr const char* kControlStaleMinutes = "15";
}  // namespace

bool TDMMainProvodka::IsMassRepostControlActive() {
  auto q = NewQuery();
  if (IsMSSQL()) {
    q->SetSql(std::string("SELECT TOP 1 fPI FROM tirSettings WHERE fMId=:pMId AND fPType=:pPType "
                          "AND fPI=1 AND fPDate IS NOT NULL AND fPDate>=DATEADD(MINUTE,-") +
              kControlStaleMinutes + ",CURRENT_TIMESTAMP);");
  } else {
    q->SetSql(
        std::string("SELECT fPI FROM tirSettings WHERE fMId=:pMId AND fPType=:pPType AND "
                    "fPI=1 AND fPDate IS NOT NULL AND fPDate>=datetime(CURRENT_TIMESTAMP,'-") +
        kControlStaleMinutes + " minutes') LIMIT 1;");
  }
  q->ParamByName("pMId").SetInt32(kControlModuleId);
  q->ParamByName("pPType").SetInt32(kControlParamType);
  q->Open();
  const bool active = !q->Eof();
  q->Close();
  return active;
}

}  // namespace tir::posting
