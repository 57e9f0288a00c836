#include "frame/user_rights.h"

#include <string>

#include "db/query.h"
#include "frame/app_globals.h"
#include "frame/dm_lang.h"

namespace tir::frame {

namespace {

constexpr const char* kUserRightsSql =
    "SELECT  tuser.fId, tuser.fState, tugr.fBase , t1.fPB AS fPB_UR, t1.fPI AS fPI_UR , t2.fPB AS "
    "fPB_GR, t2.fPI AS fPI_GR  FROM tirUsers tuser  LEFT JOIN tirSettings t1 ON "
    "(t1.[fUserId]=tuser.fId)   AND (t1.[fMId]=:pDLLID)   AND (t1.[fPType]=-26)  LEFT JOIN "
    "tirSettings t2 ON (t2.[fUserId]=tuser.fState)   AND (t2.[fMId]=:pDLLID)   AND "
    "(t2.[fPType]=-42)  LEFT JOIN tirUsersRG tugr ON (tuser.fState = tugr.fId)  WHERE "
    "(tuser.fId=:pUserId);";

std::int32_t ReadMask() {
  db::Query query(HostConnection());
  query.SetSql(kUserRightsSql);
  query.ParamByName("pDLLID").SetInt32(kDllId);
  query.ParamByName("pUserId").SetInt32(gAppParams.fUserID);
  query.Open();
  if (query.Eof()) return -1;
  const std::int64_t state = query.FieldByName("fState").AsInt64();
  const db::Field base = query.FieldByName("fBase");
  if (state == 0 || base.IsNull() || base.AsInt64() == 0) return 0;
  const db::Field own = query.FieldByName("fPB_UR");
  if (!own.IsNull()) return own.AsInt32();
  const db::Field group = query.FieldByName("fPB_GR");
  if (!group.IsNull()) return group.AsInt32();
  return -1;
}

}  // namespace

void gDllUpdateUserRights() {
  gDllUserRights = 0;
  gDllUserRights = ReadMask();
}

bool TestRight(std::int32_t aRight) {
  std::int32_t mask = gDllUserRights;
  if (mask == -1) {
    switch (gAppParams.fUserType) {
      case 1:
        mask = kFullRightsMask;
        break;
      case 2:
      case 3:
        mask = 0;
        break;
      default:
        return false;
    }
  }
  return (aRight & mask) == aRight;
}

std::int32_t localGetUsersRights(const TModSearchIn& pIn, TModSearchOut& pOut) {
  pOut.fId = -120;
  const auto index = static_cast<std::int32_t>(pIn.fDataBigInt1);
  switch (index) {
    case 0:
      pOut.fDataBigInt1 = 0;
      pOut.fName = WideReplaceUtf8(pOut.fName, LangText("IDS_3") + "TirDataExchange" + ")");
      pOut.fStr1 = WideReplaceUtf8(pOut.fStr1, std::to_string(kFullRightsMask));
      pOut.fStr2 = WideReplaceUtf8(pOut.fStr2, "0");
      pOut.fStr3 = WideReplaceUtf8(pOut.fStr3, "0");
      break;
    case 1:
      pOut.fDataBigInt1 = kRightUniversal;
      pOut.fName = WideReplaceUtf8(pOut.fName, LangText("IDS_4"));
      break;
    case 2:
      pOut.fDataBigInt1 = kRightInetShop;
      pOut.fName = WideReplaceUtf8(pOut.fName, LangText("IDS_5"));
      break;
    case 3:
      pOut.fDataBigInt1 = kRightLoadFile;
      pOut.fName = WideReplaceUtf8(pOut.fName, LangText("IDS_6"));
      break;
    default:
      pOut.fCanceled = 1;
      break;
  }
  return 0;
}

void InitAllFunction() { gDllUpdateUserRights(); }

}  // namespace tir::frame
