#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "db/sqlite_connection.h"

namespace tir::fuzz {

// The in-memory base with the full schema, made on the first call and kept for the process.
db::SqliteConnection& Base();

// Writes the input to this process's scratch file (the loaders read files) and gives its path.
const std::string& WriteInput(const std::uint8_t* data, std::size_t size);

// Rows of a few tables the loaders write: equal before and after an input that was rolled back.
std::int64_t RowCount();

}  // namespace tir::fuzz
