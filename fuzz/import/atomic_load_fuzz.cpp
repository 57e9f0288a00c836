// A whole atomic load of every kind (catalogs, partners, goods, documents) as an analysis run:
// whatever the input, the load ends with a result and the base is left as it was.
#include <cstddef>
#include <cstdint>

#include "fuzz/import/fuzz_base.h"
#include "import/json_loader.h"
#include "import/json_loader_atomic.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& base = tir::fuzz::Base();
  static const std::int64_t rowsBefore = tir::fuzz::RowCount();
  const std::string& file = tir::fuzz::WriteInput(data, size);

  tir::import::TDMJsonLoader loader;
  loader.SetConnection(&base);
  loader.mGoodsPauseMs = 0;
  (void)tir::import::RunAtomicLoad(loader, base, file,
                                   tir::import::FileLoadSteps(true, true, true, true),
                                   /*pDryRun=*/true, {});
  if (base.InTransaction()) __builtin_trap();
  if (tir::fuzz::RowCount() != rowsBefore) __builtin_trap();
  return 0;
}
