#pragma once

// The DDL texts embedded at build time (generated schema_text.cpp), NUL-terminated.
namespace tir::schema::detail {

extern const char kSqliteDdl[];
extern const char kMssqlDdl[];
extern const char kMssqlTreeProcedures[];

}  // namespace tir::schema::detail
