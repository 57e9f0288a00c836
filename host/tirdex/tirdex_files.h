#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "db/sqlite_connection.h"

namespace tir::tirdex {

// Opening a missing file would create an empty base, so every command that works on an existing
// base checks first: a mistyped path (or an empty file) is an error, not a new base.
bool BaseFileExists(const std::string& path);

// Opens an existing base; raises std::runtime_error "no base file PATH" when there is none.
std::unique_ptr<db::SqliteConnection> OpenExistingBase(const std::string& path);

// True when both paths name the same existing file (an output that would overwrite the base).
bool SameFile(const std::string& a, const std::string& b);

// True when another process has the SQLite base at `path` open (it holds its shared-memory lock;
// bases in WAL mode, as tirdex makes them).
bool BaseInUse(const std::string& path);

// A library that tirdex loads: `given` when set, else the environment variable `env`, else the
// first of `folders` (relative to tirdex's own folder, "" for that folder) that holds `name`,
// else the bare name for the dynamic loader's search path.
std::string FindBesideTirdex(const std::string& given, const char* env, const std::string& name,
                             std::initializer_list<const char*> folders);

}  // namespace tir::tirdex
