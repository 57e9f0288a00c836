// The exchange service on arbitrary request bodies: every body gets an answer with a status and
// a JSON text, never an exception or a crash. Imports commit, so each input gets a fresh base
// (schema and one active token "t-1"), and every input starts from the same state.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/exchange/exchange_host_scope.h"
#include "host/exchange/exchange_service.h"
#include "host/exchange/exchange_tokens.h"
#include "host/schema/schema.h"
#include "json/json_error.h"
#include "json/json_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto base = tir::db::SqliteConnection::Open(":memory:");
  tir::schema::CreateSchema(*base);
  tir::TTirTokenOne token;
  token.mName = "fuzz";
  token.mToken = "t-1";
  token.mActiv = 1;
  tir::exchange::SaveToken(*base, token);
  const tir::exchange::THostScope scope(*base);
  tir::exchange::TExchangeService service(*base, 1 << 16);

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
