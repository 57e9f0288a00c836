#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"

namespace tir::tirdex {

// A base argument is an SQLite file or, starting with "odbc:", an ODBC connection string (a
// Microsoft SQL Server base, or an SQLite file through the SQLite ODBC driver).

// Opening a missing file would create an empty base, so every command that works on an existing
// base checks first: a mistyped path (or an empty file) is an error, not a new base. An ODBC base
// counts as present: its server answers when it is opened.
bool BaseFileExists(const std::string& path);

// Opens an existing base: the SQLite file, or the ODBC data source of an "odbc:" argument. Raises
// std::runtime_error "no base file PATH" when there is no such file, tir::db::DbError when the
// base cannot be opened.
std::unique_ptr<db::Connection> OpenExistingBase(const std::string& path);

// The command line with every "--odbc STRING" (or "--odbc=STRING") replaced by the base argument
// "odbc:STRING" in its place, so that every command taking a base takes an ODBC one as well.
std::vector<std::string> ExpandOdbcOption(int argc, const char* const* argv);

// True when another process has the SQLite base at `path` open (it holds its shared-memory lock;
// bases in WAL mode, as tirdex makes them).
bool BaseInUse(const std::string& path);

// A library that tirdex loads: `given` when set, else the environment variable `env`, else the
// first of `folders` (relative to tirdex's own folder, "" for that folder) that holds `name`,
// else where the host kit finds it (an installed tree, the build tree), else the bare name for the
// dynamic loader's search path.
std::string FindBesideTirdex(const std::string& given, const char* env, const std::string& name,
                             std::initializer_list<const char*> folders);

}  // namespace tir::tirdex
