// The universal loader on arbitrary files: LoadFromFile, then the goods tree and catalog written
// and the document and stock lines read, inside a transaction that is rolled back. Database errors
// and a goods GUID that is no GUID are the loader's ways to refuse; anything else escaping is a
// fault.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/db_error.h"
#include "fuzz/import/fuzz_base.h"
#include "import/tir_json_loader.h"
#include "settings/value_errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& base = tir::fuzz::Base();
  static const std::int64_t rowsBefore = tir::fuzz::RowCount();
  const std::string& file = tir::fuzz::WriteInput(data, size);

  tir::importing::TTirJSonLoader loader(base);
  if (!loader.LoadFromFile(file)) return 0;
  base.StartTransaction();
  try {
    (void)loader.AddGoodsToBase();
    std::vector<tir::importing::TTirGoodsExportsDOCFromJS> lines;
    loader.GetDocGoods(lines);
    loader.GetGoodsQttyFromSPR(lines);
  } catch (const tir::db::DbError&) {
    // A refused tree or a constraint the file breaks: rolled back below.
  } catch (const tir::EConvertError&) {
    // A new goods item without a GUID: rolled back below.
  }
  base.Rollback();
  if (tir::fuzz::RowCount() != rowsBefore) __builtin_trap();
  return 0;
}
