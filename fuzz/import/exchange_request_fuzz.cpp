// The exchange service on arbitrary request bodies: every body gets an answer with a status and
// a JSON text, never an exception or a crash. Imports commit, so each input gets a fresh copy of
// one base (schema and one active token "t-1"), and every input starts from the same state.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/import/fuzz_base.h"
#include "host/exchange/exchange_service.h"
#include "host/exchange/exchange_tokens.h"
#include "host/kit/host_scope.h"
#include "json/json_error.h"
#include "json/json_object.h"

namespace {

// A fresh in-memory copy of the process's base, with the token saved once.
std::unique_ptr<tir::db::SqliteConnection> FreshBase() {
  static tir::db::SqliteConnection& original = []() -> tir::db::SqliteConnection& {
    tir::TTirTokenOne token;
    token.mName = "fuzz";
    token.mToken = "t-1";
    token.mActiv = 1;
    tir::exchange::SaveToken(tir::fuzz::Base(), token);
    return tir::fuzz::Base();
  }();
  auto copy = tir::db::SqliteConnection::Open(":memory:");
  sqlite3_backup* backup = sqlite3_backup_init(copy->Handle(), "main", original.Handle(), "main");
  if (backup == nullptr || sqlite3_backup_step(backup, -1) != SQLITE_DONE) __builtin_trap();
  sqlite3_backup_finish(backup);
  return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto base = FreshBase();
  const tir::hostkit::THostScope scope(*base);
  tir::exchange::TServiceShared shared;
  shared.maxBody = 1 << 16;
  tir::exchange::TExchangeService service(*base, shared);

  const std::string body(reinterpret_cast<const char*>(data), size);
  tir::exchange::TExchangeAnswer answer = service.Handle(body);
  if (answer.status < 200 || answer.status > 599) __builtin_trap();
  try {
    (void)tir::json::Object::Parse(answer.body);
  } catch (const tir::json::JsonError&) {
    __builtin_trap();  // every answer is a JSON object
  }
  (void)service.Delivered(answer, true);
  if (base->InTransaction()) __builtin_trap();
  return 0;
}
