#pragma once

#include <string>
#include <vector>

#include "db/sqlite_connection.h"

namespace tir::schema {

// Creates every table, index, trigger and group-tree root of the back-office base. Idempotent:
// on a base that already has the schema (or part of it) it only adds what is missing. Runs in
// one transaction unless the caller already has one open. Raises tir::db::DbError.
void CreateSchema(tir::db::SqliteConnection& connection);

// Adds the chain exchange's objects to an existing base where they are missing: the goods-changed
// counter row and its triggers, the document change stamps and their triggers, and the ledger
// tables of the exchange service and client. SQLite or Microsoft SQL Server; one transaction
// unless the caller already has one open. Raises tir::db::DbError.
void EnsureChainSchema(tir::db::Connection& connection);

// The chain exchange's part of a DDL text (its tail, from the chain section's heading on).
std::string ChainPart(const std::string& ddl);

// The DDL texts (schema_sqlite.sql, schema_mssql.sql).
const std::string& SqliteDdl();
const std::string& MssqlDdl();

// The group-tree procedures of a Microsoft SQL Server base (tree_procedures_mssql.sql), batches
// separated by "GO" lines.
const std::string& MssqlTreeProcedures();

// The whole script that prepares a Microsoft SQL Server base for the module, as sqlcmd runs it:
// the DDL as one batch, then the tree procedures.
std::string MssqlScript();

// Names of the tables the SQLite DDL creates, in the order it creates them.
std::vector<std::string> TableNames();

}  // namespace tir::schema
