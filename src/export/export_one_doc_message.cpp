// Message 888034 of u9: the host asks for one document as a universal JSON file.
#include <exception>
#include <string>

#include "db/db_error.h"
#include "export/tir_json_builder.h"
#include "frame/host_services.h"
#include "frame/message_hooks.h"
#include "frame/wide_string.h"

namespace tir::exporting {

namespace {

constexpr std::int32_t kExportOneDocMessage = 888034;

// fDocId names the document, fSearchStr the file; fId = 1 in the reply when the file was saved.
// Nothing may leave the module, so failures are reported to the host's message line.
std::int32_t OnExportOneDoc(const frame::TModSearchIn& pIn, frame::TModSearchOut& pOut) {
  try {
    TTirJSonBuilder builder;
    if (builder.SaveToFileOneDoc(pIn.fDocId, frame::WideToUtf8(pIn.fSearchStr), false)) {
      pOut.fId = 1;
    }
  } catch (const db::DbError& e) {
    frame::SendToMainMGS(std::string("ErrorSQL: ") + e.what(), 3, 0);
  } catch (const std::exception& e) {
    frame::SendToMainMGS(std::string("Error: ") + e.what(), 3, 0);
  } catch (...) {
    frame::SendToMainMGS("Error: ExceptionUndef.", 3, 0);
  }
  return 1;
}

}  // namespace

void RegisterExportOneDocMessage() {
  frame::RegisterMessageHandler(kExportOneDocMessage, &OnExportOneDoc);
}

}  // namespace tir::exporting
