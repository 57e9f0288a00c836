#pragma once

#include <cstdint>
#include <string>

namespace tir::exporting {

// The parameters of an exchange request, as the loader reads them from a request envelope and
// the main export builder answers them.
struct TReqParams {
  std::string cmd;
  std::string token;
  std::int32_t ver = 0;
  std::string getpartnersGroupId;
  std::int64_t lastGoodsSnapshot = 0;
  std::int64_t goodsLastRowId = 0;
  std::string docsListDateFrom;
  std::string docsListDateTo;
  std::int64_t docsLastRowId = 0;
  std::int32_t docsMaxCountInResp = 0;
  std::string sourceID;
  std::string requestString;
};

}  // namespace tir::exporting
