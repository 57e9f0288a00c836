#pragma once

#include <string>
#include <vector>

#include "tsql_texts.h"

namespace tir::tsql {

// Every statement text known to reach a Microsoft SQL Server base, as the data layer holds it
// (":name" parameters), named by where it came from:
//  - "run": what the tirdex workload recorded on SQLite bases in its server form (the texts with
//    "{IF MSSQL}" blocks, on every path the sample data reaches; see record_server_texts.cmake);
//  - "server": what the code sends on a connection of the server kind (gAppParams.fBaseType 1),
//    where C++ chooses the text, recorded without a server;
//  - "code": texts copied from the code for blocks neither run reaches.
// `recordFile` is the workload's record.
std::vector<NamedText> ServerStatements(const std::string& recordFile);

}  // namespace tir::tsql
