#pragma once

#include "db/sqlite_connection.h"

namespace tir::test {

// A small hand-built base: goods groups Напої > Соки and Їжа, three goods (two used by sale 1, the
// third a dish with a recipe of the other two), one partner, entity, store, user and the base's
// GUID row. Every row but the group roots has a GUID (fGUID1 = 0x0NNN, fGUID2 = 0); sale 1 has
// two lines. The expected one-document export of sale 1 is data/one_doc_sale.json.
void FillSmallBase(db::SqliteConnection& connection);

constexpr const char* kSmallBaseGuid = "5A1B2C3D-0000-4000-8000-00000000ABCD";

}  // namespace tir::test
