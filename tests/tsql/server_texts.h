#pragma once

#include <string>
#include <vector>

#include "tsql_texts.h"

namespace tir::tsql {

// Every statement text known to reach a Microsoft SQL Server base, as the data layer holds it
// (":name" parameters), named by where it came from:
//  - "run": what the tirdex workload recorded on SQLite bases in its server form (the texts with
//    "{IF MSSQL}" blocks, on every path the sample data reaches; see record_server_texts.cmake);
//  - "server": what the code sends on a connection of the server kind,
//    where C++ chooses the text, recorded without a server;
//  - "code": texts copied from the code for blocks neither run reaches (in the test);
//  - "shared": the texts the workload sent that are the same on both kinds, one per shape (texts
//    that differ only in numbers count once). They reach a server unless C++ chose them for
//    SQLite only.
// `recordFile` and `sharedFile` are the workload's records.
std::vector<NamedText> ServerStatements(const std::string& recordFile,
                                        const std::string& sharedFile);

}  // namespace tir::tsql
