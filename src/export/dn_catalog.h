#pragma once

#include <string>
#include <vector>

#include "export/dn_json_builder.h"

namespace tir::exporting {

// A catalog section written row by row from "SELECT t1.* ,group GUID ... FROM table": "guid",
// "lid", the listed members, then "group" when the rows have a group table.
struct TDNJSonBuilder::Catalog {
  struct Member {
    const char* key;
    const char* column;
    // 's' text, 'i' 32-bit integer, 'n' number, '0' the integer 0, 'g' the GUID text of the
    // columns `column` + "1" and `column` + "2".
    char kind;
    bool mainOnly = false;  // left out of the loyalty builder's copy of the section
  };
  const char* section;    // state text of the section
  const char* treeTable;  // group tree written first ("" for none)
  const char* treeKey;
  const char* table;
  const char* groupTable;  // joined for "group" ("" for none)
  const char* key;         // array key
  std::vector<Member> members;
  const char* groupColumn = "fGroupID";
  std::string sql = {};  // the section's own query, in place of the composed one
};

}  // namespace tir::exporting
