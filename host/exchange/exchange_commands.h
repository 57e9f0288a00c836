#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/req_params.h"

namespace tir::exporting {
class TDNJSonBuilder;
}

namespace tir::exchange {

// What a request asks of the service: an answer built by the main export builder, or a document
// envelope to import.
// "ack" alone only confirms a document batch (see RequestMember).
enum class TRequestKind { kExport, kImportDocs, kImportMobileOrders, kCookStatus, kAck };

struct TCommandPlan {
  TRequestKind kind = TRequestKind::kExport;
  std::vector<std::string> words;  // the command words, as sent (lower case)
  std::string error;               // why the command is refused; empty when it is accepted
};

// Reads the comma-separated command words of a request (already lower-cased). Export words may be
// combined; an import word stands alone.
TCommandPlan ParseCommandWords(const std::string& pCmd);

// Switches the builder's sections on for the export words of pPlan, with the request's
// parameters (period, partner group, barcode).
void ApplyExportWords(const TCommandPlan& pPlan, const exporting::TReqParams& pRequest,
                      exporting::TDNJSonBuilder& pBuilder);

// The text member pName of a request envelope's "request" object ("ack": the document batch the
// client has loaded); empty when absent, not a text, or the body is not JSON. Reads no further
// than the end of "request".
std::string RequestMember(const std::string& pBody, std::string_view pName);

// An answer that holds only an "info" block: "error" pError and "errorTxt" pText.
std::string InfoAnswer(int pError, const std::string& pText, const std::string& pSourceID);

// The number of elements of every top-level array of a JSON text (the rows an answer carries);
// 0 for a text that is not JSON.
std::int64_t CountAnswerRows(const std::string& pText);

// The number of elements of every top-level array of a JSON file, with the array's key, in file
// order; empty when the file cannot be read.
using TSectionCounts = std::vector<std::pair<std::string, std::int64_t>>;
TSectionCounts CountFileSections(const std::string& path);

}  // namespace tir::exchange
